#include "app/dpi_win.h"

#include <commctrl.h>

#include <optional>
#include <vector>

namespace alvena {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Looked up at run time: user32 has it only from Windows 10 version 1607 on.
GetDpiForWindowFn LoadGetDpiForWindow() {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) {
        return nullptr;
    }
    // Through a generic function pointer: the cast between unrelated signatures is deliberate.
    return reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetDpiForWindow")));
}

BOOL CALLBACK CollectChild(HWND child, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(child);
    return TRUE;
}

// The monitor that shows most of the window (for a minimized one, where it restores to), or the
// primary one before there is a window.
std::optional<MONITORINFO> MonitorOf(HWND window) {
    HMONITOR shown = window != nullptr ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                                       : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(shown, &monitor)) {
        return std::nullopt;
    }
    return monitor;
}

LayoutRect AsLayoutRect(const RECT& rect) {
    return LayoutRect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return kBaseDpi;
    }
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

int WindowDpi(HWND window) {
    static const GetDpiForWindowFn getDpiForWindow = LoadGetDpiForWindow();
    if (getDpiForWindow != nullptr && window != nullptr) {
        if (const UINT dpi = getDpiForWindow(window); dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    return ScreenDpi();
}

LayoutRect WorkAreaOf(HWND window) {
    if (const std::optional<MONITORINFO> monitor = MonitorOf(window)) {
        return AsLayoutRect(monitor->rcWork);
    }
    RECT area{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return AsLayoutRect(area);
}

LayoutRect WorkspaceAreaOf(HWND window) {
    const LayoutRect work = WorkAreaOf(window);
    if (const std::optional<MONITORINFO> monitor = MonitorOf(window)) {
        return LayoutRect{monitor->rcMonitor.left, monitor->rcMonitor.top, work.width, work.height};
    }
    return LayoutRect{0, 0, work.width, work.height};
}

void ReplaceFonts(HWND window, std::initializer_list<std::pair<HFONT, HFONT>> replacements) {
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        for (const auto& [from, to] : replacements) {
            if (font != nullptr && font == from) {
                SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(to), TRUE);
                break;
            }
        }
    }
}

void RescaleListColumns(HWND list, int fromDpi, int toDpi) {
    if (list == nullptr) {
        return;
    }
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < columns; ++column) {
        const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
        SendMessageW(list, LVM_SETCOLUMNWIDTH, column,
                     MAKELPARAM(ScaleToDpi(width, toDpi, fromDpi), 0));
    }
}

}  // namespace alvena
