#pragma once

#include <windows.h>

#include <initializer_list>
#include <utility>

#include "app/layout.h"

namespace alvena {

// The DPI a window is drawn at: its monitor's under per-monitor awareness, on Windows before
// 10 (no GetDpiForWindow) the screen's, and 96 when neither can be read.
[[nodiscard]] int WindowDpi(HWND window);

// The DPI of the screen, for sizes chosen before any window exists.
[[nodiscard]] int ScreenDpi();

// The work area (the screen less the task bar) of the monitor that shows most of the window.
[[nodiscard]] LayoutRect WorkAreaOf(HWND window);

// The same work area in the workspace coordinates of window placements, which begin at the work
// area's corner: its size, at the corner of its monitor.
[[nodiscard]] LayoutRect WorkspaceAreaOf(HWND window);

// Gives every descendant of `window` that uses the first font of a pair the second one instead;
// controls with a font of their own keep it.
void ReplaceFonts(HWND window, std::initializer_list<std::pair<HFONT, HFONT>> replacements);

// Scales the widths of a list view's columns, as the user left them, from one DPI to another.
void RescaleListColumns(HWND list, int fromDpi, int toDpi);

}  // namespace alvena
