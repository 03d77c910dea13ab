#include "screens/history_page_win.h"

#include <windows.h>

#include <algorithm>
#include <initializer_list>

#include "app/app_state_win.h"
#include "app/control_ids.h"
#include "app/control_text_win.h"
#include "protocol/wide_text_win.h"
#include "storage/history_store.h"

namespace alvena {
namespace {

// Copies the pieces one after another into the buffer, cut to fit with its terminating null.
void CopyCut(wchar_t* buffer, int capacity, std::initializer_list<WideView> pieces) {
    if (buffer == nullptr || capacity <= 0) {
        return;
    }
    std::size_t room = static_cast<std::size_t>(capacity) - 1;
    for (WideView piece : pieces) {
        const std::size_t count = std::min(room, piece.size());
        std::copy_n(piece.data(), count, buffer);
        buffer += count;
        room -= count;
    }
    *buffer = L'\0';
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
    app.history = LoadHistoryListing(app.dataFolder, app.profile.email);
    HWND page = app.pages[kHistoryPage];
    HWND list = GetDlgItem(page, IDC_HIST_LIST);
    {
        // Drawing each of up to 200 rows as it is inserted takes seconds; draw once at the end.
        const RedrawPause pause(list);
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        const int count = static_cast<int>(app.history.entries.size());
        SendMessageW(list, LVM_SETITEMCOUNT, count, 0);
        // The rows hold no text: the list asks for the texts of the rows it draws
        // (LVN_GETDISPINFO), so a full history is listed without copying 200 titles and
        // previews into it.
        LVITEMW row{};
        row.mask = LVIF_TEXT;
        row.pszText = LPSTR_TEXTCALLBACKW;
        for (row.iItem = 0; row.iItem < count; ++row.iItem) {
            SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row));
        }
    }
    SetWindowTextW(GetDlgItem(page, IDC_HIST_DETAIL), L"");
}

void OnHistoryDisplayInfo(NMLVDISPINFOW& request) {
    LVITEMW& item = request.item;
    if ((item.mask & LVIF_TEXT) == 0) {
        return;
    }
    const AppState& app = *CurrentApp();
    if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= app.history.entries.size()) {
        CopyCut(item.pszText, item.cchTextMax, {});
        return;
    }
    const HistoryEntry& entry = app.history.entries[static_cast<std::size_t>(item.iItem)];
    if (item.iSubItem == 0) {
        // "[chat] ¿Qué es la anemia?"
        CopyCut(item.pszText, item.cchTextMax, {u"[", entry.type, u"] ", entry.title});
    } else if (item.iSubItem == 1) {
        CopyCut(item.pszText, item.cchTextMax, {entry.preview});
    } else {
        CopyCut(item.pszText, item.cchTextMax, {});
    }
}

void OnHistoryItemChanged(const NMLISTVIEW& change) {
    if (change.hdr.code != LVN_ITEMCHANGED || (change.uNewState & LVIS_SELECTED) == 0) {
        return;
    }
    const AppState& app = *CurrentApp();
    if (change.iItem < 0 || static_cast<std::size_t>(change.iItem) >= app.history.entries.size()) {
        return;
    }
    SetDisplayText(GetDlgItem(app.pages[kHistoryPage], IDC_HIST_DETAIL),
                   ListedDetail(app.history, static_cast<std::size_t>(change.iItem)));
}

}  // namespace alvena
