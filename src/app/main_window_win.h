#pragma once

#include <windows.h>

#include "protocol/wide_text.h"

namespace alvena {

inline constexpr const wchar_t* kMainClassName = L"AlvenaMainWnd";
inline constexpr const wchar_t* kMainTitle = L"Alvena — Veltrano Systems";

inline constexpr COLORREF kBackgroundColour = RGB(11, 18, 32);
inline constexpr COLORREF kEditBackgroundColour = RGB(18, 32, 51);
inline constexpr COLORREF kTextColour = RGB(226, 232, 240);
inline constexpr COLORREF kAccentTextColour = RGB(20, 184, 166);
inline constexpr COLORREF kMutedTextColour = RGB(148, 163, 184);

inline constexpr const char16_t* kHomePageUrl = u"https://veltrano.systems/";
inline constexpr const char16_t* kProductPageUrl = u"https://veltrano.systems/alvena/";
inline constexpr const wchar_t* kHomePageDomain = L"veltrano.systems";

// Registers "AlvenaPage" and "AlvenaMainWnd"; false when either cannot be registered.
[[nodiscard]] bool RegisterWindowClasses(HINSTANCE instance);

// Creates the main window with every page and control, 980 x 720 at 96 DPI and scaled to its
// monitor's DPI, within the monitor's work area; null on failure.
[[nodiscard]] HWND CreateMainWindow(HINSTANCE instance);

// Fits the window just made to its monitor's work area. The launcher's show command may have
// maximized or minimized it already; then only where it restores to is changed.
void FitMainWindowToWorkArea(HWND window);

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Replaces the status line's text; does nothing before the status line exists.
void SetStatusText(const WideText& text);

}  // namespace alvena
