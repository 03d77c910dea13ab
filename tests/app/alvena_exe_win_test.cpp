// The built alvena.exe as a user gets it: its resources, its PE header, a whole run from start to
// close, and the hardening it applies to itself.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/dpi_win.h"
#include "app/layout.h"
#include "app/main_window_win.h"
#include "app/process_hardening_win.h"
#include "tests/support/gui_test_support_win.h"
#include "tools/winhelpers/find_control_win.h"

namespace alvena {
namespace {

std::wstring ExePath() {
    // The build copies alvena.exe beside this test.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"alvena.exe";
}

std::wstring VersionString(const std::vector<char>& info, const wchar_t* name) {
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &size) ||
        size < sizeof(Translation)) {
        return L"(no translation)";
    }
    wchar_t key[128];
    swprintf(key, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language,
             translation->codePage, name);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(info.data(), key, reinterpret_cast<void**>(&value), &size)) {
        return L"(missing)";
    }
    return value;
}

TEST(AlvenaExe, EmbedsItsManifestAndVersionRecord) {
    const std::wstring exe = ExePath();
    HMODULE image = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    HRSRC manifest = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(manifest, nullptr);
    const auto* text = static_cast<const char*>(LockResource(LoadResource(image, manifest)));
    const std::string xml(text, SizeofResource(image, manifest));
    EXPECT_NE(xml.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(xml.find("version=\"6.0.0.0\""), std::string::npos);
    const std::string identity = "name=\"VeltranoSystems.Alvena\" version=\"";
    const std::size_t versionAt = xml.find(identity);
    ASSERT_NE(versionAt, std::string::npos);
    const std::size_t versionStart = versionAt + identity.size();
    const std::string manifestVersion =
        xml.substr(versionStart, xml.find('"', versionStart) - versionStart);
    // Per-monitor DPI awareness, version 2 where Windows knows it, else the first per-monitor kind;
    // both in the application's settings, each in its own namespace.
    const std::size_t settings =
        xml.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n    <windowsSettings>");
    const std::size_t settingsEnd = xml.find("</windowsSettings>", settings);
    ASSERT_NE(settingsEnd, std::string::npos);
    for (const char* setting :
         {"<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm"
          "</dpiAware>",
          "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
          "PerMonitorV2, PerMonitor</dpiAwareness>"}) {
        const std::size_t at = xml.find(setting, settings);
        EXPECT_LT(at, settingsEnd) << setting;
    }
    FreeLibrary(image);

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, info.data()));
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"1.0.0");
    // Windows refuses to start an exe whose manifest version is not four numbers: it is the
    // version record's, whose numbers are four by construction.
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    char recordVersion[64];
    std::snprintf(recordVersion, sizeof(recordVersion), "%lu.%lu.%lu.%lu",
                  static_cast<unsigned long>(HIWORD(fixed->dwFileVersionMS)),
                  static_cast<unsigned long>(LOWORD(fixed->dwFileVersionMS)),
                  static_cast<unsigned long>(HIWORD(fixed->dwFileVersionLS)),
                  static_cast<unsigned long>(LOWORD(fixed->dwFileVersionLS)));
    EXPECT_EQ(manifestVersion, recordVersion);
    EXPECT_EQ(manifestVersion, "1.0.0.0");
    EXPECT_EQ(VersionString(info, L"ProductVersion"), L"1.0.0");
    EXPECT_EQ(VersionString(info, L"FileDescription"), L"Alvena - Asistente clinico");
}

std::vector<char> ReadWholeFile(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(AlvenaExe, HeaderAsksForEveryMitigationOfTheLoader) {
    const std::vector<char> image = ReadWholeFile(ExePath());
    ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, image.data(), sizeof(dos));
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LE(static_cast<std::size_t>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS64), image.size());
    IMAGE_NT_HEADERS64 nt;
    std::memcpy(&nt, image.data() + dos.e_lfanew, sizeof(nt));
    ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
    ASSERT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    const WORD flags = nt.OptionalHeader.DllCharacteristics;
    const struct {
        WORD flag;
        const char* meaning;
    } expected[] = {
        {IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, "loaded at a random address (ASLR)"},
        {IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA, "anywhere in the 64-bit address space"},
        {IMAGE_DLLCHARACTERISTICS_NX_COMPAT, "data never executable (DEP)"},
        {IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE, "no Remote Desktop compatibility layer"},
    };
    for (const auto& [flag, meaning] : expected) {
        EXPECT_EQ(flags & flag, flag) << meaning << ": DllCharacteristics " << std::hex << flags;
    }
    // A random base needs relocations to move the image there.
    EXPECT_GT(nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size, 0u);
}

struct FindWindowOf {
    DWORD processId;
    HWND found = nullptr;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<FindWindowOf*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner == search->processId && std::wstring(name) == kMainClassName &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// alvena.exe started as a user starts it, or with the show command a shortcut or a script gives
// it; ended by force if a test leaves it running.
class RunningAlvena {
  public:
    explicit RunningAlvena(std::optional<WORD> showCommand = std::nullopt) {
        std::wstring commandLine = L"\"" + ExePath() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (showCommand) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = *showCommand;
        }
        started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &process_) != FALSE;
    }
    ~RunningAlvena() {
        if (!started_) {
            return;
        }
        if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(process_.hProcess, 99);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    RunningAlvena(const RunningAlvena&) = delete;
    RunningAlvena& operator=(const RunningAlvena&) = delete;

    [[nodiscard]] bool started() const { return started_; }
    [[nodiscard]] HANDLE process() const { return process_.hProcess; }

    // The visible main window, once there is one; null after the deadline.
    [[nodiscard]] HWND WaitForWindow() const {
        FindWindowOf search{process_.dwProcessId};
        (void)PumpUntil(
            [&] {
                EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
                return search.found != nullptr;
            },
            std::chrono::seconds(60));
        return search.found;
    }

  private:
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

TEST(AlvenaExe, StartsShowsItsWindowAndExitsWithZeroWhenClosed) {
    const auto started = std::chrono::steady_clock::now();
    const RunningAlvena alvena;
    ASSERT_TRUE(alvena.started());
    HWND window = alvena.WaitForWindow();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    ASSERT_NE(window, nullptr);
    std::printf("start-up to visible main window: %lld ms\n",
                static_cast<long long>(elapsed.count()));
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_EQ(std::wstring(title), kMainTitle);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(alvena.process(), 30000), WAIT_OBJECT_0);
    DWORD exitCode = 12345;
    GetExitCodeProcess(alvena.process(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

// Launched maximized or minimized, the window keeps that state and restores to the size a plain
// launch gets: 980 by 720 at 96 DPI, within the work area.
TEST(AlvenaExe, ALaunchMaximizedOrMinimizedKeepsItsStateAndRestoresToTheFittedSize) {
    const struct {
        WORD showCommand;
        const char* name;
        BOOL (*inState)(HWND);
    } launches[] = {{SW_SHOWMAXIMIZED, "maximized", IsZoomed},
                    {SW_SHOWMINNOACTIVE, "minimized", IsIconic}};
    for (const auto& launch : launches) {
        SCOPED_TRACE(launch.name);
        const RunningAlvena alvena(launch.showCommand);
        ASSERT_TRUE(alvena.started());
        HWND window = alvena.WaitForWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return launch.inState(window) != FALSE; }));
        ASSERT_EQ(WaitForInputIdle(alvena.process(), 60000), 0u);
        EXPECT_TRUE(launch.inState(window));

        const int dpi = WindowDpi(window);
        const LayoutRect work = WorkAreaOf(window);
        const int width = std::min(ScaleToDpi(980, dpi), work.width);
        const int height = std::min(ScaleToDpi(720, dpi), work.height);
        // Restored as from the task bar, it shows where it was fitted (Wine does not tell another
        // process a window's restored placement); the state changes before the size does.
        PostMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
        RECT outer{};
        const bool restored = PumpUntil([&] {
            GetWindowRect(window, &outer);
            return !IsIconic(window) && !IsZoomed(window) && outer.right - outer.left == width &&
                   outer.bottom - outer.top == height;
        });
        EXPECT_TRUE(restored) << "restored to " << outer.right - outer.left << " x "
                              << outer.bottom - outer.top;
        EXPECT_GE(outer.left, work.x);
        EXPECT_GE(outer.top, work.y);
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(alvena.process(), 30000), WAIT_OBJECT_0);
    }
}

struct IdCount {
    std::map<int, int> seen;
};

BOOL CALLBACK CountId(HWND window, LPARAM lParam) {
    ++reinterpret_cast<IdCount*>(lParam)->seen[GetDlgCtrlID(window)];
    return TRUE;
}

// The program's own data folder in this Wine prefix, where a start looks for the profile.
std::wstring DataFolder() {
    wchar_t roaming[MAX_PATH] = {};
    GetEnvironmentVariableW(L"APPDATA", roaming, MAX_PATH);
    return std::wstring(roaming) + L"\\VeltranoSystems\\Alvena";
}

TEST(AlvenaExe, EveryPageIsCompleteOnceTheProgramIsIdle) {
    // Every control id of the five pages, by ranges.
    const std::pair<int, int> pageIds[] = {{1101, 1103}, {2301, 2306}, {1201, 1205},
                                           {1301, 1306}, {2001, 2004}, {1401, 1412},
                                           {2101, 2110}, {1501, 1503}, {2201, 2201}};
    const std::wstring profile = DataFolder() + L"\\profile.json";
    for (const bool registered : {false, true}) {
        SCOPED_TRACE(registered ? "registered start" : "first start");
        if (registered) {
            CreateDirectoryW((DataFolder().substr(0, DataFolder().rfind(L'\\'))).c_str(), nullptr);
            CreateDirectoryW(DataFolder().c_str(), nullptr);
            std::ofstream(profile.c_str(), std::ios::binary)
                << R"({"email":"ana@clinica.es","name":"Ana"})";
        }
        const RunningAlvena alvena;
        ASSERT_TRUE(alvena.started());
        // Idle as soon as it waits for input: nothing queued for itself is left to do.
        ASSERT_EQ(WaitForInputIdle(alvena.process(), 60000), 0u);
        HWND window = alvena.WaitForWindow();
        ASSERT_NE(window, nullptr);
        // The tab strip shows only for a registered user: the start is the one intended.
        EXPECT_EQ(IsWindowVisible(FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr)) != FALSE,
                  registered);
        IdCount count;
        EnumChildWindows(window, CountId, reinterpret_cast<LPARAM>(&count));
        for (const auto& [first, last] : pageIds) {
            for (int id = first; id <= last; ++id) {
                EXPECT_EQ(count.seen[id], 1) << "control " << id;
            }
        }
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(alvena.process(), 30000), WAIT_OBJECT_0);
    }
    DeleteFileW(profile.c_str());
}

// What the test types and chooses on the three pages, and how a box or a choice reads back.
struct TypedControl {
    int id;
    const wchar_t* text;  // a box's text, or nothing for a choice
    int choice;           // a choice's position
};

constexpr TypedControl kTyped[] = {
    {1202, L"¿Y si la fiebre sube?", 0},       {1205, nullptr, 1},  // mode "api"
    {1301, L"Hb 10.2 g/dL\r\nFerritina 8", 0}, {1303, nullptr, 2},  // sex "Otro"
    {1406, L"Dolor abdominal \"agudo\"", 0},   {1401, nullptr, 1},  // role "enfermeria"
};

void TypeInto(HWND window) {
    for (const TypedControl& c : kTyped) {
        HWND control = FindControlIn(window, c.id);
        if (c.text != nullptr) {
            SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.text));
        } else {
            SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(c.choice), 0);
        }
    }
}

// Whether every box and choice holds what was typed (or, with `typed` false, stands empty or at
// its first item).
[[nodiscard]] bool ShowsTyped(HWND window, bool typed) {
    for (const TypedControl& c : kTyped) {
        HWND control = FindControlIn(window, c.id);
        if (c.text != nullptr) {
            wchar_t text[256] = {};
            SendMessageW(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
            if (std::wstring(text) != (typed ? c.text : L"")) {
                return false;
            }
        } else if (SendMessageW(control, CB_GETCURSEL, 0, 0) != (typed ? c.choice : 0)) {
            return false;
        }
    }
    return true;
}

void WriteProfile(const wchar_t* email) {
    CreateDirectoryW((DataFolder().substr(0, DataFolder().rfind(L'\\'))).c_str(), nullptr);
    CreateDirectoryW(DataFolder().c_str(), nullptr);
    const std::wstring profile = DataFolder() + L"\\profile.json";
    std::ofstream(profile.c_str(), std::ios::binary)
        << R"({"email":")" << Narrow(WideText(reinterpret_cast<const char16_t*>(email)))
        << R"(","name":""})";
}

// Alvena started for the profile there is, idle, with its window; fails the test otherwise.
[[nodiscard]] HWND StartIdle(const RunningAlvena& alvena) {
    EXPECT_TRUE(alvena.started());
    EXPECT_EQ(WaitForInputIdle(alvena.process(), 60000), 0u);
    return alvena.WaitForWindow();
}

[[nodiscard]] DWORD CloseAndWait(const RunningAlvena& alvena, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(alvena.process(), 30000), WAIT_OBJECT_0);
    DWORD exitCode = 12345;
    GetExitCodeProcess(alvena.process(), &exitCode);
    return exitCode;
}

[[nodiscard]] bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A sign-out ends the process once WM_ENDSESSION is answered; an installer's Restart Manager
// (ENDSESSION_CLOSEAPP) lets it end by itself. Either way the next start of the same user finds
// what was typed and chosen, once; another user never sees it, and a close by the user keeps
// nothing.
TEST(AlvenaExe, AnEndedSessionComesBackWithWhatWasTyped) {
    const std::wstring drafts = DataFolder() + L"\\drafts";
    const std::wstring anasDraft = drafts + L"\\ana@clinica.es.json";
    DeleteFileW(anasDraft.c_str());
    WriteProfile(L"ana@clinica.es");
    {
        SCOPED_TRACE("signed out");
        const RunningAlvena alvena;
        HWND window = StartIdle(alvena);
        ASSERT_NE(window, nullptr);
        TypeInto(window);
        EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, 0), TRUE);
        SendMessageW(window, WM_ENDSESSION, TRUE, 0);
        TerminateProcess(alvena.process(), 0);  // as Windows does once the answer comes
        ASSERT_TRUE(Exists(anasDraft));
    }
    WriteProfile(L"luis@clinica.es");
    {
        SCOPED_TRACE("another user");
        const RunningAlvena alvena;
        HWND window = StartIdle(alvena);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(ShowsTyped(window, false));
        EXPECT_EQ(CloseAndWait(alvena, window), 0u);
        EXPECT_TRUE(Exists(anasDraft));
    }
    WriteProfile(L"ana@clinica.es");
    for (const bool byInstaller : {false, true}) {
        SCOPED_TRACE(byInstaller ? "after an installer's close" : "after the sign-out");
        {
            const RunningAlvena alvena;
            HWND window = StartIdle(alvena);
            ASSERT_NE(window, nullptr);
            EXPECT_TRUE(ShowsTyped(window, true));
            EXPECT_FALSE(Exists(drafts));
            // Typed again, then closed by the user: nothing is kept.
            TypeInto(window);
            EXPECT_EQ(CloseAndWait(alvena, window), 0u);
            EXPECT_FALSE(Exists(drafts));
        }
        const RunningAlvena alvena;
        HWND window = StartIdle(alvena);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(ShowsTyped(window, false));
        if (byInstaller) {
            EXPECT_EQ(CloseAndWait(alvena, window), 0u);
            break;
        }
        TypeInto(window);
        EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), TRUE);
        SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
        ASSERT_EQ(WaitForSingleObject(alvena.process(), 30000), WAIT_OBJECT_0);
        DWORD exitCode = 12345;
        GetExitCodeProcess(alvena.process(), &exitCode);
        EXPECT_EQ(exitCode, 0u);
    }
    DeleteFileW((DataFolder() + L"\\profile.json").c_str());
}

// Ways a DLL asked for by name alone can be planted: the current folder and PATH.
struct PlantingRoute {
    const char* name;
    std::function<void(const std::wstring& folder)> open;
    std::function<void()> close;
};

std::wstring EnvironmentPath() {
    wchar_t value[32768] = {};
    GetEnvironmentVariableW(L"PATH", value, 32768);
    return value;
}

// Whether LoadLibraryW(name) finds the planted DLL through each route; unloads it again.
std::vector<bool> FoundThroughEachRoute(const std::vector<PlantingRoute>& routes,
                                        const std::wstring& folder) {
    std::vector<bool> found;
    for (const PlantingRoute& route : routes) {
        route.open(folder);
        HMODULE planted = LoadLibraryW(L"alvena_planted.dll");
        route.close();
        found.push_back(planted != nullptr);
        if (planted != nullptr) {
            FreeLibrary(planted);
        }
    }
    return found;
}

// Last in this file: it hardens the test process itself, for good.
TEST(ProcessHardening, DllsByNameComeOnlyFromTheProgramFolderAndSystem32) {
    // The build puts the planted DLL in a subfolder: this test's own folder is the program's
    // folder, which is always searched.
    const std::wstring exe = ExePath();
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"planted";
    wchar_t startFolder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, startFolder);
    const std::wstring startPath = EnvironmentPath();
    const std::vector<PlantingRoute> routes = {
        {"current folder", [](const std::wstring& f) { SetCurrentDirectoryW(f.c_str()); },
         [&] { SetCurrentDirectoryW(startFolder); }},
        {"PATH",
         [&](const std::wstring& f) {
             SetEnvironmentVariableW(L"PATH", (f + L";" + startPath).c_str());
         },
         [&] { SetEnvironmentVariableW(L"PATH", startPath.c_str()); }},
    };

    // Each route works before: the DLL can be loaded at all, so its absence later means something.
    const std::vector<bool> before = FoundThroughEachRoute(routes, folder);
    const ProcessHardening applied = HardenProcess();
    const std::vector<bool> after = FoundThroughEachRoute(routes, folder);
    EXPECT_TRUE(applied.dllSearchLimited);
    std::printf("image load policy set: %s\n", applied.imageLoadPolicySet ? "yes" : "no");
    for (std::size_t i = 0; i < routes.size(); ++i) {
        EXPECT_TRUE(before[i]) << routes[i].name;
        EXPECT_FALSE(after[i]) << routes[i].name;
    }

    // What stays allowed: a system DLL by name, and any DLL by its full path (a voice or an input
    // method loading its helpers from its own folder).
    HMODULE system = LoadLibraryW(L"winhttp.dll");
    EXPECT_NE(system, nullptr);
    HMODULE byPath = LoadLibraryW((folder + L"\\alvena_planted.dll").c_str());
    EXPECT_NE(byPath, nullptr);
    for (HMODULE module : {system, byPath}) {
        if (module != nullptr) {
            FreeLibrary(module);
        }
    }
}

}  // namespace
}  // namespace alvena
