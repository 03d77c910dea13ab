#pragma once

#include "protocol/wide_text.h"

namespace alvena {

// A copy with A-Z lowered to a-z; every other code unit, accented capitals included, unchanged.
[[nodiscard]] WideText LowerCase(WideView text);

// The form in which an email is stored and by which its history file is named: trimmed, with
// ASCII capitals lowered.
[[nodiscard]] WideText EmailKey(WideView email);

// Whether a code unit may stand in a history file name: + - . @ _ and letters and digits, by a
// fixed table so that an email maps to the same name on every machine.
[[nodiscard]] bool IsFileKeyUnit(char16_t unit);

// The email key with every code unit that may not stand in a file name replaced by `_`.
[[nodiscard]] WideText FileKey(WideView email);

}  // namespace alvena
