#pragma once

#include <windows.h>

namespace alvena {

inline constexpr const wchar_t* kPageClassName = L"AlvenaPage";

// The five page windows and all their controls, stored in AppState as they are made.
void CreatePages();
[[nodiscard]] HWND CreatePageWindow();
LRESULT CALLBACK PageWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Places the main window's controls and every control of every page for the current size.
void LayoutWindow();

// Shows the registration page while nobody is registered, otherwise the page of tab `index`.
void ShowPage(int index);

}  // namespace alvena
