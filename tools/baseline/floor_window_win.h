#pragma once

#include <windows.h>

// What both floors of the start-up bench do with their window: register its class, make it
// 980 x 720 at the default place, show it and run the message loop until it is closed.
struct FloorWindow {
    const wchar_t* className;
    const wchar_t* title;
    WNDPROC procedure;
    HICON icon;
};

inline int RunFloorWindow(HINSTANCE instance, const FloorWindow& floor, int showCommand) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = floor.procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = floor.icon;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = floor.className;
    if (RegisterClassExW(&windowClass) == 0) {
        return 2;
    }
    HWND window = CreateWindowExW(0, floor.className, floor.title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 980, 720, nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr) {
        return 3;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
