// Drives a running Alvena window from another process, the way a user would, for the demo run
// and its screenshots: type into boxes, press buttons, pick tabs, close. Test scripts only.
//   demo_driver wait | register EMAIL | tab N | type ID TEXT | click ID | settle | row | close
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/control_ids.h"
#include "find_control_win.h"

namespace {

constexpr DWORD kDeadlineMs = 60000;

// Waits for `done`, a condition on other processes' windows, up to the deadline.
template <typename Condition>
bool WaitFor(Condition done) {
    const ULONGLONG end = GetTickCount64() + kDeadlineMs;
    while (!done()) {
        if (GetTickCount64() >= end) {
            return false;
        }
        Sleep(50);
    }
    return true;
}

HWND MainWindow() {
    HWND window = FindWindowW(L"AlvenaMainWnd", nullptr);
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

HWND FindControl(int id) {
    return alvena::FindControlIn(MainWindow(), id);
}

// The page holding a control is visible when that control's parent is.
bool PageOfControlVisible(int id) {
    HWND control = FindControl(id);
    return control != nullptr && IsWindowVisible(GetParent(control));
}

bool SelectTab(int tab) {
    const int marker[] = {IDC_CHAT_TRANSCRIPT, IDC_LAB_TEXT, IDC_REC_ROLE, IDC_HIST_LIST};
    if (tab < 0 || tab > 3) {
        return false;
    }
    HWND tabs = FindControl(IDC_TABS);
    // Tab widths follow the font: click along the strip until the wanted page shows.
    for (int x = 6; x < 600 && !PageOfControlVisible(marker[tab]); x += 8) {
        const LPARAM point = MAKELPARAM(x, 12);
        SendMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, point);
        SendMessageW(tabs, WM_LBUTTONUP, 0, point);
    }
    return PageOfControlVisible(marker[tab]);
}

bool Type(int id, const wchar_t* text) {
    HWND control = FindControl(id);
    return control != nullptr &&
           SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != FALSE;
}

bool Click(int id) {
    HWND control = FindControl(id);
    if (control == nullptr) {
        return false;
    }
    SendMessageW(control, BM_CLICK, 0, 0);
    return true;
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// Waits until the consultation started last has ended, well or badly.
bool Settle() {
    HWND status = FindControl(IDC_STATUS);
    return WaitFor([status] { return TextOf(status) != L"Consultando servidor\u2026"; });
}

// Selects the first history row as the keyboard does, and waits for its detail to show.
bool SelectFirstRow() {
    HWND list = FindControl(IDC_HIST_LIST);
    HWND detail = FindControl(IDC_HIST_DETAIL);
    SendMessageW(list, WM_KEYDOWN, VK_HOME, 0);
    SendMessageW(list, WM_KEYUP, VK_HOME, 0);
    // GetWindowTextLength does not ask another process's edit control; the message does.
    return WaitFor([detail] { return SendMessageW(detail, WM_GETTEXTLENGTH, 0, 0) != 0; });
}

int Fail(const char* what) {
    std::fprintf(stderr, "demo_driver: %s\n", what);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return Fail(
            "usage: wait | register EMAIL | tab N | type ID TEXT | click ID | settle | row | "
            "close");
    }
    const std::wstring command = argv[1];
    if (!WaitFor([] { return MainWindow() != nullptr; })) {
        return Fail("no Alvena window");
    }
    if (command == L"wait") {
        return 0;
    }
    if (command == L"register" && argc == 3) {
        if (!Type(IDC_REG_EMAIL, argv[2]) || !Click(IDC_REG_CONTINUE)) {
            return Fail("no registration page");
        }
        return WaitFor([] { return IsWindowVisible(FindControl(IDC_TABS)) != FALSE; })
                   ? 0
                   : Fail("registration did not open the tabs");
    }
    if (command == L"tab" && argc == 3) {
        return SelectTab(_wtoi(argv[2])) ? 0 : Fail("tab not shown");
    }
    if (command == L"type" && argc == 4) {
        return Type(_wtoi(argv[2]), argv[3]) ? 0 : Fail("no such control");
    }
    if (command == L"click" && argc == 3) {
        return Click(_wtoi(argv[2])) ? 0 : Fail("no such control");
    }
    if (command == L"settle") {
        return Settle() ? 0 : Fail("the consultation did not end");
    }
    if (command == L"row") {
        return SelectFirstRow() ? 0 : Fail("no history row to select");
    }
    if (command == L"close") {
        PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
        return WaitFor([] { return FindWindowW(L"AlvenaMainWnd", nullptr) == nullptr; })
                   ? 0
                   : Fail("window did not close");
    }
    return Fail("unknown command");
}
