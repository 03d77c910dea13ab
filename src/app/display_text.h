#pragma once

#include "protocol/wide_text.h"

namespace alvena {

// A standard Windows edit control breaks lines only on CR LF. Texts kept and sent use lone line
// feeds; this is the form in which they are put into a control for display.
[[nodiscard]] WideText ToDisplayLineBreaks(WideView text);

// One block of the chat transcript: label, ":\r\n", text, "\r\n\r\n". The text's own line feeds
// are shown as CR LF.
[[nodiscard]] WideText TranscriptBlock(WideView label, WideView text);

}  // namespace alvena
