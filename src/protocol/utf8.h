#pragma once

#include "protocol/wide_text.h"

namespace alvena {

// Neither conversion fails: an unpaired surrogate, or each maximal ill-formed UTF-8 subsequence,
// becomes U+FFFD. A NUL stays in the text as an ordinary character.
[[nodiscard]] Utf8Text WideToUtf8(WideView text);
[[nodiscard]] WideText Utf8ToWide(Utf8View text);

}  // namespace alvena
