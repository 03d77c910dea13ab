#include "app/focus_win.h"

#include "app/control_ids.h"

namespace alvena {
namespace {

// The record page's role is a drop-down list with an item chosen: typing starts at the age.
constexpr int kFirstBoxes[kPageCount] = {IDC_REG_EMAIL, IDC_CHAT_INPUT, IDC_LAB_TEXT, IDC_REC_AGE,
                                         0};

}  // namespace

void FocusControl(HWND control) {
    AppState& app = *CurrentApp();
    if (control == nullptr) {
        return;
    }
    app.focus = control;
    if (app.mainWindow != nullptr && GetActiveWindow() == app.mainWindow) {
        SetFocus(control);
    }
}

void FocusFirstBox(PageIndex page) {
    if (kFirstBoxes[page] != 0) {
        FocusControl(GetDlgItem(CurrentApp()->pages[page], kFirstBoxes[page]));
    }
}

void OnActivate(HWND window, WPARAM wParam) {
    if (LOWORD(wParam) != WA_INACTIVE) {
        return;
    }
    if (HWND focused = GetFocus(); focused != nullptr && IsChild(window, focused)) {
        CurrentApp()->focus = focused;
    }
}

void OnMainWindowFocus(HWND window) {
    HWND focus = CurrentApp()->focus;
    // A control on a page that is now hidden cannot take the focus.
    if (focus != nullptr && IsChild(window, focus) && IsWindowVisible(focus)) {
        SetFocus(focus);
    }
}

}  // namespace alvena
