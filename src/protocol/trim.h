#pragma once

#include "protocol/wide_text.h"

namespace alvena {

// U+0009-U+000D, U+0020, U+0085, U+00A0, and the Unicode white space from U+0100 up.
// Fixed sets: no locale is consulted.
[[nodiscard]] bool IsTrimSpace(char16_t unit);

// A copy without leading and trailing trim white space; inner white space stays.
[[nodiscard]] WideText Trim(WideView text);

}  // namespace alvena
