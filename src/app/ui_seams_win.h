#pragma once

#include <windows.h>

#include "protocol/wide_text.h"

namespace alvena {

// The two ways the window reaches outside itself without waiting on the user's screen: message
// boxes and the browser. Tests put recorders in their place.
using MessageBoxFn = int (*)(HWND owner, const WideText& text, const WideText& caption, UINT type);
using OpenUrlFn = void (*)(HWND owner, const WideText& url);

int ShowMessageBox(HWND owner, const WideText& text, const WideText& caption, UINT type);
void OpenUrl(HWND owner, const WideText& url);

// Returns the previous function; nullptr restores the platform's own.
MessageBoxFn SetMessageBoxFn(MessageBoxFn fn);
OpenUrlFn SetOpenUrlFn(OpenUrlFn fn);

}  // namespace alvena
