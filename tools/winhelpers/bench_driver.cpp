// Times a Windows program from outside, as its user meets it, for scripts/bench.sh. Prints one
// line of name=milliseconds pairs.
//   bench_driver startup EXE   launch -> main window visible; -> painted (the window thread's first
//                              answer to WM_NULL, which comes after its first UpdateWindow);
//                              -> idle (WaitForInputIdle returns)
//   bench_driver firstuse EXE  a running Alvena: the first, second and tenth chat consultation
//                              (click to answer shown and saved), the first and second "Leer",
//                              and the slowest answer of the window during an eleventh
//                              consultation the service holds (bench.sh queues its replies)
// Both first write a registered profile into Alvena's data folder; firstuse removes its history.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/control_ids.h"
#include "find_control_win.h"

namespace {

constexpr DWORD kDeadlineMs = 30000;

double NowMs() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

int Fail(const char* what) {
    std::fprintf(stderr, "bench_driver: %s\n", what);
    return 1;
}

std::wstring DataFolder() {
    PWSTR roaming = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &roaming))) {
        return L"";
    }
    std::wstring folder = roaming;
    CoTaskMemFree(roaming);
    return folder + L"\\VeltranoSystems\\Alvena";
}

// A registered user, so that start-up shows the chat page as on every day but the first.
bool PrepareDataFolder(bool removeHistory) {
    const std::wstring folder = DataFolder();
    if (folder.empty()) {
        return false;
    }
    const std::wstring parent = folder.substr(0, folder.find_last_of(L'\\'));
    CreateDirectoryW(parent.c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\history").c_str(), nullptr);
    HANDLE file = CreateFileW((folder + L"\\profile.json").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const char profile[] = R"({"email":"bench@veltrano.systems","name":"Bench"})";
    DWORD written = 0;
    const bool ok = WriteFile(file, profile, sizeof(profile) - 1, &written, nullptr) != FALSE;
    CloseHandle(file);
    if (removeHistory) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\history\\*.json").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((folder + L"\\history\\" + found.cFileName).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    return ok;
}

class Launched {
  public:
    explicit Launched(const wchar_t* exe) {
        std::wstring commandLine = L"\"" + std::wstring(exe) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        started_ = NowMs();
        ok_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &process_) != FALSE;
    }
    ~Launched() {
        if (!ok_) {
            return;
        }
        if (window_ != nullptr) {
            PostMessageW(window_, WM_CLOSE, 0, 0);
        }
        if (WaitForSingleObject(process_.hProcess, kDeadlineMs) != WAIT_OBJECT_0) {
            TerminateProcess(process_.hProcess, 99);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Launched(const Launched&) = delete;
    Launched& operator=(const Launched&) = delete;

    [[nodiscard]] bool ok() const { return ok_; }
    [[nodiscard]] double started() const { return started_; }
    [[nodiscard]] HANDLE process() const { return process_.hProcess; }
    [[nodiscard]] HWND window() const { return window_; }

    // Polls for the process's first visible top-level window.
    bool WaitForWindow() {
        const double end = NowMs() + kDeadlineMs;
        while (window_ == nullptr) {
            EnumWindows(MatchVisible, reinterpret_cast<LPARAM>(this));
            if (window_ != nullptr) {
                return true;
            }
            if (NowMs() > end || WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0) {
                return false;
            }
            Sleep(1);
        }
        return true;
    }

  private:
    static BOOL CALLBACK MatchVisible(HWND window, LPARAM lParam) {
        auto* self = reinterpret_cast<Launched*>(lParam);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == self->process_.dwProcessId && IsWindowVisible(window) &&
            GetWindow(window, GW_OWNER) == nullptr) {
            self->window_ = window;
            return FALSE;
        }
        return TRUE;
    }

    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
    double started_ = 0;
    bool ok_ = false;
};

bool AnswersNull(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kDeadlineMs, &result) != 0;
}

int Startup(const wchar_t* exe) {
    if (!PrepareDataFolder(false)) {
        return Fail("cannot write the profile");
    }
    Launched app(exe);
    if (!app.ok()) {
        return Fail("cannot start the program");
    }
    if (!app.WaitForWindow()) {
        return Fail("no window");
    }
    const double visible = NowMs();
    if (!AnswersNull(app.window())) {
        return Fail("the window does not answer");
    }
    const double painted = NowMs();
    if (WaitForInputIdle(app.process(), kDeadlineMs) != 0) {
        return Fail("the program never became idle");
    }
    const double idle = NowMs();
    std::printf("visible=%.1f painted=%.1f idle=%.1f\n", visible - app.started(),
                painted - app.started(), idle - app.started());
    return 0;
}

// How long the window thread takes to answer WM_NULL: how long it would keep a user waiting.
bool TimeAnswer(HWND window, double& answeredInMs) {
    DWORD_PTR result = 0;
    const double start = NowMs();
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kDeadlineMs, &result)) {
        return false;
    }
    answeredInMs = NowMs() - start;
    return true;
}

std::wstring TextOf(HWND control) {
    wchar_t buffer[128] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                        kDeadlineMs, &copied);
    return std::wstring(buffer, copied);
}

struct Consultation {
    double elapsedMs = -1;  // negative: it did not end well
    double slowestAnswerMs = 0;
};

// Asks a chat question and polls the status line until the answer is shown and saved, timing
// the window's answers to WM_NULL meanwhile.
Consultation Consult(HWND main, const wchar_t* question) {
    Consultation result;
    HWND input = alvena::FindControlIn(main, IDC_CHAT_INPUT);
    HWND send = alvena::FindControlIn(main, IDC_CHAT_SEND);
    HWND statusLine = alvena::FindControlIn(main, IDC_STATUS);
    if (input == nullptr || send == nullptr || statusLine == nullptr) {
        return result;
    }
    SendMessageW(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(question));
    const double start = NowMs();
    SendMessageW(send, BM_CLICK, 0, 0);
    const double end = start + kDeadlineMs;
    double answeredInMs = 0;
    while (NowMs() < end && TimeAnswer(main, answeredInMs)) {
        if (answeredInMs > result.slowestAnswerMs) {
            result.slowestAnswerMs = answeredInMs;
        }
        // The status line reads "Listo" only once the answer is shown and saved.
        const std::wstring status = TextOf(statusLine);
        if (status == L"Listo") {
            result.elapsedMs = NowMs() - start;
            return result;
        }
        if (status == L"Error") {
            return result;
        }
        Sleep(status == L"Consultando servidor\u2026" ? 20 : 1);
    }
    return result;
}

double TimeClick(HWND button) {
    const double start = NowMs();
    SendMessageW(button, BM_CLICK, 0, 0);
    return NowMs() - start;
}

// Answered at once before the held one: the first shows what a process's first exchange costs,
// the tenth what every later one does.
constexpr int kConsultations = 10;

int FirstUse(const wchar_t* exe) {
    if (!PrepareDataFolder(true)) {
        return Fail("cannot write the profile");
    }
    Launched app(exe);
    if (!app.ok() || !app.WaitForWindow() || WaitForInputIdle(app.process(), kDeadlineMs) != 0) {
        return Fail("the program did not start");
    }
    const Consultation first = Consult(app.window(), L"Tengo fiebre desde ayer.");
    const Consultation second = Consult(app.window(), L"¿Qué debo vigilar?");
    bool laterOk = true;
    Consultation tenth;
    for (int n = 3; n <= kConsultations; ++n) {
        tenth = Consult(app.window(), L"¿Algo más?");
        laterOk = laterOk && tenth.elapsedMs >= 0;
    }
    const Consultation held = Consult(app.window(), L"¿Y si sube de 39?");
    if (first.elapsedMs < 0 || second.elapsedMs < 0 || !laterOk || held.elapsedMs < 0) {
        return Fail("a consultation failed (is the stand-in on the built-in service port?)");
    }
    HWND read = alvena::FindControlIn(app.window(), IDC_CHAT_READ);
    const double firstRead = TimeClick(read);
    const double secondRead = TimeClick(read);
    std::printf(
        "consult1=%.1f consult2=%.1f consult10=%.1f read1=%.1f read2=%.1f held_answer_max=%.1f\n",
        first.elapsedMs, second.elapsedMs, tenth.elapsedMs, firstRead, secondRead,
        held.slowestAnswerMs);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wcscmp(argv[1], L"startup") == 0) {
        return Startup(argv[2]);
    }
    if (argc == 3 && std::wcscmp(argv[1], L"firstuse") == 0) {
        return FirstUse(argv[2]);
    }
    return Fail("usage: bench_driver startup EXE | firstuse EXE");
}
