#pragma once

#include <windows.h>

#include "app/app_state_win.h"

namespace alvena {

// Puts the caret in `control`: at once when the main window is active, otherwise as soon as it
// is activated. A null control changes nothing.
void FocusControl(HWND control);

// The box where typing starts on a page just shown: the email, the question, the laboratory
// text, the record's age. The history page has none and leaves the focus alone.
void FocusFirstBox(PageIndex page);

// WM_ACTIVATE: when the window is left, remembers which of its controls had the focus.
void OnActivate(HWND window, WPARAM wParam);

// WM_SETFOCUS on the main window, which activation gives it: hands the focus on to the remembered
// control while it can still take it.
void OnMainWindowFocus(HWND window);

}  // namespace alvena
