// How long the Historial tab takes to list a full history under Wine: 200 entries, each with a
// 12000 code-unit detail. Selecting the tab reloads the file and fills the list; selecting a row
// shows its detail, timed against a bare edit control given the same text.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

#include "app/control_ids.h"
#include "app/display_text.h"
#include "protocol/wide_text_win.h"
#include "storage/history_entry.h"
#include "storage/history_store.h"
#include "storage/history_text.h"
#include "screens/history_page_win.h"
#include "tests/support/gui_test_support_win.h"
#include "tests/support/spanish_text.h"

namespace alvena {
namespace {

void WriteFullHistory(const WideText& dataFolder, const WideText& email) {
    std::vector<HistoryEntry> entries;
    const WideText detail = SpanishClinicalText(kHistoryDetailLimit);
    for (std::size_t i = 0; i < kHistoryEntryLimit; ++i) {
        HistoryEntry entry;
        entry.id = u"00000000-0000-4000-8000-" + WideText(12 - std::to_string(i).size(), u'0');
        for (char c : std::to_string(i)) {
            entry.id += static_cast<char16_t>(c);
        }
        entry.email = email;
        entry.type = i % 3 == 0 ? u"chat" : (i % 3 == 1 ? u"laboratorio" : u"expediente");
        entry.title = u"Consulta número " + entry.id.substr(24);
        entry.preview = detail.substr(0, kHistoryPreviewLimit);
        entry.detail = detail;
        entry.createdAt = 1765000000000 - static_cast<std::int64_t>(i) * 60000;
        entries.push_back(entry);
    }
    std::ofstream file(AsWinText(HistoryFilePath(dataFolder, email)), std::ios::binary);
    const Utf8Text json = HistoryJson(entries);
    file.write(json.data(), static_cast<std::streamsize>(json.size()));
}

double ElapsedMs(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

struct Spread {
    double min;
    double median;
    double max;
};

Spread SpreadOf(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    const double median = n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    return {times.front(), median, times.back()};
}

void Report(const char* what, const std::vector<double>& times) {
    const Spread spread = SpreadOf(times);
    std::printf("%s: median %.1f ms (%.1f-%.1f), %zu runs\n", what, spread.median, spread.min,
                spread.max, times.size());
}

// A read-only multi-line edit control like the detail box, alone in a window of its own: the
// least it can cost to show a text there.
class BareEdit {
  public:
    BareEdit(HWND like, int x, int y) {
        RECT rect{};
        GetWindowRect(like, &rect);
        host_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, x, y,
                                rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        edit_ = CreateWindowExW(static_cast<DWORD>(GetWindowLongW(like, GWL_EXSTYLE)), L"EDIT", L"",
                                static_cast<DWORD>(GetWindowLongW(like, GWL_STYLE)), 0, 0,
                                rect.right - rect.left, rect.bottom - rect.top, host_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        SendMessageW(edit_, WM_SETFONT, SendMessageW(like, WM_GETFONT, 0, 0), TRUE);
    }
    ~BareEdit() { DestroyWindow(host_); }
    BareEdit(const BareEdit&) = delete;
    BareEdit& operator=(const BareEdit&) = delete;
    [[nodiscard]] HWND edit() const { return edit_; }

  private:
    HWND host_ = nullptr;
    HWND edit_ = nullptr;
};

void SelectRow(HWND list, int row) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

int Run() {
    constexpr int kRuns = 15;
    MainWindowHarness ui(R"({"email":"ana@clinica.es","name":"Ana"})");
    WriteFullHistory(ui.dataFolder(), u"ana@clinica.es");
    HWND list = ui.control(kHistoryPage, IDC_HIST_LIST);
    HWND detail = ui.control(kHistoryPage, IDC_HIST_DETAIL);

    std::vector<double> tabs;
    for (int run = 0; run < kRuns; ++run) {
        ui.SelectTab(0);
        UpdateWindow(ui.window());
        const auto start = std::chrono::steady_clock::now();
        ui.SelectTab(3);  // reloads and fills the list, then everything pending is painted
        UpdateWindow(ui.window());
        tabs.push_back(ElapsedMs(start));
        if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != 200) {
            std::fprintf(stderr, "the list does not hold 200 rows\n");
            return 1;
        }
    }

    // The detail box and the bare edit side by side on the screen, neither covering the other.
    RECT shown{};
    GetWindowRect(detail, &shown);
    RECT frame{};
    GetWindowRect(ui.window(), &frame);
    SetWindowPos(ui.window(), nullptr, frame.left - shown.left, frame.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    PumpMessages();
    GetWindowRect(detail, &shown);
    const BareEdit bare(detail, shown.right + 10, shown.top);
    const WideText text = ToDisplayLineBreaks(ListedDetail(ui.app().history, 0));
    std::vector<double> rows;
    std::vector<double> bareTimes;
    for (int run = 0; run < kRuns; ++run) {
        PumpMessages();
        auto start = std::chrono::steady_clock::now();
        SelectRow(list, run % 2);
        UpdateWindow(detail);
        rows.push_back(ElapsedMs(start));
        if (WindowText(detail).size() != text.size()) {
            std::fprintf(stderr, "the detail box does not show the whole entry\n");
            return 1;
        }
        PumpMessages();
        start = std::chrono::steady_clock::now();
        SetWindowTextW(bare.edit(), AsWinText(text));
        UpdateWindow(bare.edit());
        bareTimes.push_back(ElapsedMs(start));
    }

    std::vector<double> loads;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const std::size_t count =
            LoadHistoryListing(ui.dataFolder(), u"ana@clinica.es").entries.size();
        loads.push_back(ElapsedMs(start));
        if (count != 200) {
            return 1;
        }
    }
    std::vector<double> refreshes;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        RefreshHistoryList();
        refreshes.push_back(ElapsedMs(start));
    }

    Report("Historial tab chosen -> 200 rows listed and painted", tabs);
    Report("  of which the refresh (load, fill, no painting)", refreshes);
    Report("  of which reading and parsing the 2.6 MB file", loads);
    Report("row selected -> its 12000-unit detail shown", rows);
    Report("bare edit control, same size, style and text", bareTimes);
    std::printf("detail / bare edit: %.2f\n", SpreadOf(rows).median / SpreadOf(bareTimes).median);
    return 0;
}

}  // namespace
}  // namespace alvena

int main() {
    return alvena::Run();
}
