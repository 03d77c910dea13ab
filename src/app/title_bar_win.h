#pragma once

#include <windows.h>

namespace alvena {

// Asks the desktop window manager for a dark caption to match the dark client area (Windows 10
// 2004 and later, Windows 11). Where it cannot (older Windows, no dwmapi, no composition) the
// caption stays as it is, silently. Returns whether the request was taken.
bool UseDarkTitleBar(HWND window);

}  // namespace alvena
