#include "screens/history_page_win.h"

#include <windows.h>

#include "app/app_state_win.h"
#include "app/control_ids.h"
#include "app/control_text_win.h"
#include "protocol/wide_text_win.h"
#include "storage/history_store.h"

namespace alvena {
namespace {

void InsertRow(HWND list, int index, const HistoryEntry& entry) {
    WideText title = u"[" + entry.type + u"] " + entry.title;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.iSubItem = 0;
    item.pszText = const_cast<wchar_t*>(AsWinText(title));
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));

    LVITEMW preview{};
    preview.iSubItem = 1;
    preview.pszText = const_cast<wchar_t*>(AsWinText(entry.preview));
    SendMessageW(list, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&preview));
}

// Keeps a window from drawing for as long as it lives, then lets it draw again, whichever way
// the scope is left.
class RedrawPause {
  public:
    explicit RedrawPause(HWND window) : window_(window) {
        SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawPause() {
        SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(window_, nullptr, TRUE);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

  private:
    HWND window_;
};

}  // namespace

void RefreshHistoryList() {
    AppState& app = *CurrentApp();
    if (app.profile.email.empty()) {
        return;
    }
    app.history = LoadHistory(app.dataFolder, app.profile.email);
    HWND page = app.pages[kHistoryPage];
    HWND list = GetDlgItem(page, IDC_HIST_LIST);
    {
        // Drawing each of up to 200 rows as it is inserted takes seconds; draw once at the end.
        const RedrawPause pause(list);
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        for (int i = 0; i < static_cast<int>(app.history.size()); ++i) {
            InsertRow(list, i, app.history[static_cast<std::size_t>(i)]);
        }
    }
    SetWindowTextW(GetDlgItem(page, IDC_HIST_DETAIL), L"");
}

void OnHistoryItemChanged(const NMLISTVIEW& change) {
    if (change.hdr.code != LVN_ITEMCHANGED || (change.uNewState & LVIS_SELECTED) == 0) {
        return;
    }
    const AppState& app = *CurrentApp();
    if (change.iItem < 0 || static_cast<std::size_t>(change.iItem) >= app.history.size()) {
        return;
    }
    SetDisplayText(GetDlgItem(app.pages[kHistoryPage], IDC_HIST_DETAIL),
                   app.history[static_cast<std::size_t>(change.iItem)].detail);
}

}  // namespace alvena
