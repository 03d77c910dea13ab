// The yardstick of the start-up and memory benchmarks: the least a Win32 program with a window
// does, built with Alvena's toolchain and flags. One class, one 980 x 720 window, a message loop.
#include <windows.h>

#include "floor_window_win.h"

namespace {

LRESULT CALLBACK BareWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return RunFloorWindow(instance, {L"BareWindow", L"Bare window", BareWndProc, nullptr},
                          showCommand);
}
