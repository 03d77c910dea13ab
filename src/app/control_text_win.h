#pragma once

#include <windows.h>

#include "protocol/wide_text.h"

namespace alvena {

// Appends label + ":\r\n" + text + "\r\n\r\n" at the end of the chat transcript.
void AppendTranscript(const WideText& label, const WideText& text);

// The control's whole text; empty for a null handle.
[[nodiscard]] WideText ReadControlText(HWND control);

// The selected item's text of combo box `id` on `page`; "autosostenible" when none is selected.
[[nodiscard]] WideText ComboSelectionText(HWND page, int id);

// Puts a reply or saved text into a control for display, its line feeds shown as CR LF.
void SetDisplayText(HWND control, const WideText& text);

}  // namespace alvena
