#pragma once

#include <windows.h>

#include <functional>

namespace alvena {

// DwmSetWindowAttribute's shape, so that a test can stand in for the window manager.
using SetWindowAttribute = std::function<HRESULT(HWND, DWORD, LPCVOID, DWORD)>;

// Asks the desktop window manager for a dark caption to match the dark client area (Windows 10
// 1809 and later, Windows 11). Where it cannot (older Windows, no dwmapi, no composition) the
// caption stays as it is, silently. Returns whether the request was taken.
bool UseDarkTitleBar(HWND window);

// The request itself, through `setAttribute`: the attribute's current number first, then the one
// Windows 10 1809 to 1909 know it by.
bool UseDarkTitleBar(HWND window, const SetWindowAttribute& setAttribute);

}  // namespace alvena
