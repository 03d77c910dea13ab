#pragma once

#include <windows.h>

#include <optional>

#include "app/app_state_win.h"

namespace alvena {

inline constexpr const wchar_t* kPageClassName = L"AlvenaPage";

// Posted by the main window to itself at its creation: it arrives after the first paint and
// before any input, and builds the pages that are not shown.
inline constexpr UINT WM_COMPLETE_PAGES = WM_APP + 2;

// The five page windows, stored in AppState as they are made; their controls come with
// CompletePage.
void CreatePages();
[[nodiscard]] HWND CreatePageWindow();
LRESULT CALLBACK PageWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Makes a page's controls, in the order of its table, and places them when the window has been
// laid out already; does nothing for a page whose controls exist.
void CompletePage(PageIndex index);
void CompletePages();
// The page holding control `id`, from the id's range; nothing for the main window's controls.
[[nodiscard]] std::optional<PageIndex> PageOfControl(int id);

// Places the main window's controls and every control of every page for the current size.
void LayoutWindow();
// The same, unless nothing the layout depends on changed since the last one: the WM_SIZE that
// follows the window's creation then finds everything in place already.
void LayoutWindowIfChanged();

// Shows the registration page while nobody is registered, otherwise the page of tab `index`.
void ShowPage(int index);

}  // namespace alvena
