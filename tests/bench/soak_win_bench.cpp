// A long session under Wine: 300 consultations in a row (ALVENA_SOAK_COUNT for more) through the
// real window, runner and transport against the stand-in (chat, laboratory and record in turn, one
// in ten failing), for a user whose history is already full, with the process's resources
// reported after 20, every 100 and at the end, and the history file checked at the end. With
// ALVENA_SOAK_SYNC naming a folder, each report writes "ready-<n>" there and waits for the soak
// script, which measures the process from outside, to write "measured-<n>".
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "consult/chat_request.h"
#include "protocol/utf8.h"
#include "protocol/wide_text_win.h"
#include "screens/consult_transport.h"
#include "storage/file_system.h"
#include "storage/history_store.h"
#include "storage/history_text.h"
#include "tests/support/gui_test_support_win.h"
#include "tests/support/standin_client.h"

namespace alvena {
namespace {

constexpr int kConsultations = 300;
constexpr int kFirstReport = 20;
constexpr int kReportEvery = 100;
constexpr char16_t kEmail[] = u"ana@clinica.es";

enum class Failure { kNone, kErrorStatus, kBrokenConnection };

struct Consultation {
    int number = 0;
    PageIndex page = kChatPage;
    Failure failure = Failure::kNone;
};

// Chat, laboratory and record in turn; every tenth fails, by an error status and a connection
// that closes without a final reply, alternately.
[[nodiscard]] Consultation Plan(int number) {
    const PageIndex pages[] = {kChatPage, kLabPage, kRecordPage};
    Consultation c;
    c.number = number;
    c.page = pages[number % 3];
    if (number % 10 == 0) {
        c.failure = number % 20 == 0 ? Failure::kBrokenConnection : Failure::kErrorStatus;
    }
    return c;
}

[[nodiscard]] const char16_t* TypeWord(PageIndex page) {
    return page == kChatPage ? u"chat" : page == kLabPage ? u"laboratorio" : u"expediente";
}

// Each consultation carries its number, which the stand-in's answers quote back: the question
// and the reason for the visit in full, the laboratory request in the patient's age.
[[nodiscard]] std::wstring Mark(int number) {
    return L"#" + std::to_wstring(number);
}

[[nodiscard]] bool HoldsMark(const WideText& text, int number) {
    WideText mark(1, u'#');
    mark += Utf8ToWide(std::to_string(number));
    for (std::size_t at = text.find(mark); at != WideText::npos; at = text.find(mark, at + 1)) {
        const std::size_t next = at + mark.size();
        if (next == text.size() || text[next] < u'0' || text[next] > u'9') {
            return true;
        }
    }
    return false;
}

// GetGuiResources and GetProcessHandleCount give 0 under Wine; the same objects are then counted
// where Wine keeps them: the process's GDI handle table and the system's handle list.
struct Figures {
    std::size_t privateBytes = 0;
    std::size_t heapBytes = 0;
    std::size_t heldTextBytes = 0;
    std::size_t trimmedHeapBytes = 0;
    std::size_t historyTextBytes = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    DWORD handles = 0;
    int threads = 0;
    int gdiTableEntries = 0;
    int windows = 0;
    int listedHandles = 0;
};

[[nodiscard]] int CountThreads() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return -1;
    }
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) {
        ++*reinterpret_cast<int*>(count);
        EnumChildWindows(window, CountWindow, count);  // every descendant, once each
    }
    return TRUE;
}

[[nodiscard]] int CountWindows() {
    int count = 0;
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// The GDI handle table that the PEB points to (offset 0xF8 on x64): 65536 entries of 24 bytes,
// an object type at byte 14 of each live one. Wine keeps one per process and leaves the owner
// unset; Windows shares one per session, and GetGuiResources answers there anyway.
[[nodiscard]] int CountGdiTableEntries() {
    PROCESS_BASIC_INFORMATION process{};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &process,
                                  sizeof(process), nullptr) != 0) {
        return -1;
    }
    const auto* peb = reinterpret_cast<const std::uint8_t*>(process.PebBaseAddress);
    const auto* table = *reinterpret_cast<const std::uint8_t* const*>(peb + 0xF8);
    if (table == nullptr) {
        return -1;
    }
    int count = 0;
    for (std::size_t i = 0; i < 0x10000; ++i) {
        count += table[24 * i + 14] != 0 ? 1 : 0;
    }
    return count;
}

// Handles of this process in the system's list (SystemExtendedHandleInformation).
[[nodiscard]] int CountListedHandles() {
    struct Entry {
        PVOID object;
        ULONG_PTR process;
        ULONG_PTR handle;
        ULONG access;
        USHORT backTrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    struct List {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    constexpr auto kExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
    constexpr auto kTooSmall = static_cast<NTSTATUS>(0xC0000004L);
    std::vector<char> buffer(1 << 20);
    NTSTATUS status = kTooSmall;
    for (ULONG needed = 0; status == kTooSmall; buffer.resize(buffer.size() * 2)) {
        status = NtQuerySystemInformation(kExtendedHandleInformation, buffer.data(),
                                          static_cast<ULONG>(buffer.size()), &needed);
        if (status != kTooSmall) {
            break;
        }
    }
    if (status != 0) {
        return -1;
    }
    const auto* list = reinterpret_cast<const List*>(buffer.data());
    int count = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i) {
        count += list->entries[i].process == GetCurrentProcessId() ? 1 : 0;
    }
    return count;
}

// Bytes in busy blocks of every heap of the process: what the program and the libraries it
// loaded hold through the heap, apart from pages the heap keeps for later.
[[nodiscard]] std::size_t HeapBytesInUse() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    std::size_t total = 0;
    for (HANDLE heap : heaps) {
        PROCESS_HEAP_ENTRY entry{};
        HeapLock(heap);
        while (HeapWalk(heap, &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) {
                total += entry.cbData;
            }
        }
        HeapUnlock(heap);
    }
    return total;
}

[[nodiscard]] Figures Measure() {
    Figures figures;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
        figures.privateBytes = memory.PrivateUsage;
    }
    figures.heapBytes = HeapBytesInUse();
    figures.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    figures.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    GetProcessHandleCount(GetCurrentProcess(), &figures.handles);
    figures.threads = CountThreads();
    figures.gdiTableEntries = CountGdiTableEntries();
    figures.windows = CountWindows();
    figures.listedHandles = CountListedHandles();
    return figures;
}

// A finished worker may still be freeing its job after its result arrived: measure once the
// thread count has held still for half a second (or after five).
void LetWorkersEnd() {
    int last = CountThreads();
    int still = 0;
    (void)PumpUntil(
        [&] {
            const int now = CountThreads();
            still = now == last ? still + 1 : 0;
            last = now;
            return still >= 10;
        },
        std::chrono::seconds(5));
}

// Heap in use apart from the text the session keeps by design: with the history full, what
// should hold still.
[[nodiscard]] long long Rest(const Figures& f) {
    return static_cast<long long>(f.trimmedHeapBytes) - static_cast<long long>(f.historyTextBytes);
}

void Print(int done, const Figures& f) {
    std::printf(
        "after %d (inside): private bytes %zu, GDI objects %lu, USER objects %lu, kernel handles "
        "%lu, threads %d\n"
        "after %d (inside): heap in use %zu bytes (text the session shows %zu); with the "
        "transcript emptied and the conversation cut to the turns a question carries %zu, of "
        "which history text %zu, the rest %lld\n"
        "after %d (inside): GDI handle table entries %d, windows %d, handles in the system list "
        "%d\n",
        done, f.privateBytes, f.gdiObjects, f.userObjects, f.handles, f.threads, done, f.heapBytes,
        f.heldTextBytes, f.trimmedHeapBytes, f.historyTextBytes, Rest(f), done, f.gdiTableEntries,
        f.windows, f.listedHandles);
}

// ALVENA_SOAK_COUNT makes the session longer; a shorter one would not fill the history.
[[nodiscard]] int ConsultationCount() {
    const char* text = std::getenv("ALVENA_SOAK_COUNT");
    return std::max(text != nullptr ? std::atoi(text) : 0, kConsultations);
}

[[nodiscard]] bool IsReportPoint(int number, int count) {
    return number == kFirstReport || number % kReportEvery == 0 || number == count;
}

[[nodiscard]] std::optional<WideText> SyncFolder() {
    const char* folder = std::getenv("ALVENA_SOAK_SYNC");
    if (folder == nullptr || *folder == '\0') {
        return std::nullopt;
    }
    return Utf8ToWide(folder);
}

// Tells the soak script that the process is ready to be measured, and waits until it has been.
[[nodiscard]] bool WaitForOutsideMeasure(int done) {
    const std::optional<WideText> folder = SyncFolder();
    if (!folder) {
        return true;
    }
    const WideText ready = *folder + u"\\ready-" + Utf8ToWide(std::to_string(done));
    const WideText measured = *folder + u"\\measured-" + Utf8ToWide(std::to_string(done));
    const HANDLE file = CreateFileW(AsWinText(ready), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot tell the soak script that the process is ready\n");
        return false;
    }
    CloseHandle(file);
    return PumpUntil(
        [&] { return GetFileAttributesW(AsWinText(measured)) != INVALID_FILE_ATTRIBUTES; },
        std::chrono::seconds(120));
}

class Soak {
  public:
    Soak() {
        standin_.Reset();
        SetConsultTransport([target = standin_.Target()](WideView path, Utf8View body) {
            return PostJsonTo(target, path, body);
        });
        FillHistory();
    }
    ~Soak() { SetConsultTransport({}); }
    Soak(const Soak&) = delete;
    Soak& operator=(const Soak&) = delete;

    [[nodiscard]] int Run() {
        const int count = ConsultationCount();
        successes_.reserve(static_cast<std::size_t>(count));  // not to grow the heap it measures
        std::optional<Figures> first;
        for (int number = 1; number <= count; ++number) {
            if (!Consult(Plan(number))) {
                return 1;
            }
            if (IsReportPoint(number, count)) {
                // The caret of a focused edit box is a GDI bitmap: no box has the focus at a
                // report, whichever page the last consultation was on.
                SetFocus(ui_.window());
                LetWorkersEnd();
                Figures now = Measure();
                now.heldTextBytes = HeldTextBytes();
                DropSessionText();
                now.trimmedHeapBytes = HeapBytesInUse();
                now.historyTextBytes = HistoryTextBytes();
                Print(number, now);
                if (!WaitForOutsideMeasure(number)) {
                    std::fprintf(stderr, "the soak script did not measure in time\n");
                    return 1;
                }
                if (!first) {
                    first = now;
                } else if (number == count) {
                    PrintGrowth(number, *first, now);
                }
            }
        }
        for (const auto& [text, failures] : errorTexts_) {
            std::printf("%d consultations failed with \"%s\"\n", failures, text.c_str());
        }
        return CheckHistory() ? 0 : 1;
    }

  private:
    [[nodiscard]] bool Consult(const Consultation& c) {
        if (c.failure == Failure::kErrorStatus) {
            standin_.Script(R"({"status":500,"body":"{\"error\":\"fallo interno\"}"})");
        } else if (c.failure == Failure::kBrokenConnection) {
            // An interim reply, then the connection closes before any final one arrives.
            standin_.Script(R"({"status":100})");
        }
        ui_.SelectTab(c.page - kChatPage);
        const std::wstring mark = Mark(c.number);
        switch (c.page) {
            case kChatPage:
                SetWindowTextW(ui_.control(kChatPage, IDC_CHAT_INPUT),
                               (L"¿Qué hago con la fiebre? Consulta " + mark).c_str());
                break;
            case kLabPage:
                SetWindowTextW(ui_.control(kLabPage, IDC_LAB_TEXT),
                               L"Hb 10.2 g/dL, ferritina 8 ng/mL");
                SetWindowTextW(ui_.control(kLabPage, IDC_LAB_AGE), (L"45 " + mark).c_str());
                break;
            default:
                SetWindowTextW(ui_.control(kRecordPage, IDC_REC_REASON),
                               (L"Cefalea de tres días " + mark).c_str());
                SetWindowTextW(ui_.control(kRecordPage, IDC_REC_AGE), L"32");
                break;
        }
        const int sendId = c.page == kChatPage  ? IDC_CHAT_SEND
                           : c.page == kLabPage ? IDC_LAB_ANALYZE
                                                : IDC_REC_ANALYZE;
        ui_.Click(c.page, sendId);
        if (!PumpUntil([&] { return !ui_.app().busy && ui_.app().historySaver.Unwritten() == 0; },
                       std::chrono::seconds(60))) {
            std::fprintf(stderr, "consultation %d did not finish\n", c.number);
            return false;
        }
        std::vector<RecordedMessageBox>& boxes = MainWindowHarness::messageBoxes();
        const bool failed = !boxes.empty();
        if (failed != (c.failure != Failure::kNone)) {
            std::fprintf(stderr, "consultation %d %s\n", c.number,
                         failed ? ("failed: " + Narrow(boxes[0].text)).c_str()
                                : "succeeded but should have failed");
            return false;
        }
        if (failed) {
            ++errorTexts_[Narrow(boxes[0].text)];
        }
        boxes.clear();
        if (c.failure == Failure::kNone) {
            successes_.push_back(c);
        }
        if (c.number % 10 == 5) {
            ui_.SelectTab(3);  // the Historial tab reloads and lists up to 200 entries
        }
        return true;
    }

    static void PrintGrowth(int done, const Figures& early, const Figures& late) {
        std::printf(
            "growth 20 -> %d (inside): private bytes %+lld, GDI %+ld, USER %+ld, handles %+ld, "
            "threads %+d; heap in use %+lld (text shown %+lld), apart from what the session "
            "keeps by design %+lld; GDI table %+d, windows %+d, listed handles %+d\n",
            done,
            static_cast<long long>(late.privateBytes) - static_cast<long long>(early.privateBytes),
            static_cast<long>(late.gdiObjects) - static_cast<long>(early.gdiObjects),
            static_cast<long>(late.userObjects) - static_cast<long>(early.userObjects),
            static_cast<long>(late.handles) - static_cast<long>(early.handles),
            late.threads - early.threads,
            static_cast<long long>(late.heapBytes) - static_cast<long long>(early.heapBytes),
            static_cast<long long>(late.heldTextBytes) -
                static_cast<long long>(early.heldTextBytes),
            Rest(late) - Rest(early), late.gdiTableEntries - early.gdiTableEntries,
            late.windows - early.windows, late.listedHandles - early.listedHandles);
    }

    // A user with a full history, of entries the size of the soak's own: the history list is at
    // its 200 rows at every report, so that growth between reports is not the list filling up.
    void FillHistory() {
        WideText detail;
        while (detail.size() < 450) {
            detail += u"Fiebre de 38,5 °C desde hace tres días, sin signos de alarma. ";
        }
        for (std::size_t i = 0; i < kHistoryEntryLimit; ++i) {
            SaveHistoryEntry(ui_.dataFolder(), kEmail, u"chat", u"Consulta anterior",
                             detail.substr(0, kHistoryPreviewLimit), detail);
        }
    }

    // What a session keeps by design and grows with it: the chat transcript and conversation,
    // and the history snapshot. UTF-16, two bytes a unit.
    [[nodiscard]] std::size_t HeldTextBytes() {
        std::size_t units = static_cast<std::size_t>(
            GetWindowTextLengthW(ui_.control(kChatPage, IDC_CHAT_TRANSCRIPT)));
        for (const ChatTurn& turn : ui_.app().conversation) {
            units += turn.role.size() + turn.content.size();
        }
        return 2 * units + HistoryTextBytes();
    }

    // The history snapshot (the file's text, and the other fields read out of it), shown once
    // more in the list's rows; at most 200 entries.
    [[nodiscard]] std::size_t HistoryTextBytes() {
        std::size_t units = 0;
        for (const HistoryEntry& e : ui_.app().history.entries) {
            units += e.id.size() + e.email.size() + e.type.size() + 2 * e.title.size() +
                     2 * e.preview.size();
        }
        return 2 * units + ui_.app().history.text.size();
    }

    // The transcript and the conversation grow with every chat answer, by design. Emptying the
    // one and cutting the other to the turns a question carries (which keeps the requests as
    // they were) leaves in the heap only what should not grow; done at every report, so a
    // report's heap in use holds the transcript since the report before.
    void DropSessionText() {
        SetWindowTextW(ui_.control(kChatPage, IDC_CHAT_TRANSCRIPT), L"");
        std::vector<ChatTurn>& conversation = ui_.app().conversation;
        if (conversation.size() > kChatHistoryTurns) {
            conversation.erase(conversation.begin(), conversation.end() - kChatHistoryTurns);
        }
        conversation.shrink_to_fit();
    }

    // Exactly the 200 newest successful consultations, newest first, each readable whole, in a
    // file that reads back to its own text.
    [[nodiscard]] bool CheckHistory() const {
        const Utf8Text raw = SystemFileSystem()
                                 .ReadWholeFile(HistoryFilePath(ui_.dataFolder(), kEmail))
                                 .value_or("");
        const std::vector<HistoryEntry> entries = ParseHistory(raw);
        std::printf("history: %zu successful consultations, file %zu bytes, %zu entries\n",
                    successes_.size(), raw.size(), entries.size());
        if (entries.size() != kHistoryEntryLimit || HistoryJson(entries) != raw) {
            std::fprintf(stderr, "the history file does not hold 200 entries in its own form\n");
            return false;
        }
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Consultation& expected = successes_[successes_.size() - 1 - i];
            const HistoryEntry& entry = entries[i];
            const bool readable = entry.id.size() == 36 && entry.email == kEmail &&
                                  entry.type == TypeWord(expected.page) && !entry.title.empty() &&
                                  HoldsMark(entry.detail, expected.number) &&
                                  (i == 0 || entry.createdAt <= entries[i - 1].createdAt);
            if (!readable) {
                std::fprintf(stderr, "history entry %zu is not consultation %d: [%s] %s\n%s\n", i,
                             expected.number, Narrow(entry.type).c_str(),
                             Narrow(entry.title).c_str(), Narrow(entry.detail).c_str());
                return false;
            }
        }
        std::printf(
            "history holds the 200 newest successful consultations (%d to %d), newest "
            "first, every one readable\n",
            successes_[successes_.size() - kHistoryEntryLimit].number, successes_.back().number);
        return true;
    }

    const StandinClient standin_ = StandinClient::FromEnvironment();
    MainWindowHarness ui_{R"({"email":"ana@clinica.es","name":"Ana"})"};
    std::vector<Consultation> successes_;
    std::map<std::string, int> errorTexts_;
};

}  // namespace
}  // namespace alvena

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    alvena::Soak soak;
    return soak.Run();
}
