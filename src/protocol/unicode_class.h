#pragma once

namespace alvena {

// Character classes of UTF-16 code units from U+0100 up, from a table generated from the Unicode
// Character Database by tools/gen_unicode_tables.py. Below U+0100 callers use their own fixed
// lists; these return false there, and for surrogate code units.
[[nodiscard]] bool IsUnicodeSpace(char16_t unit);
// Alphabetic, upper case, lower case or decimal digit.
[[nodiscard]] bool IsUnicodeAlnum(char16_t unit);

}  // namespace alvena
