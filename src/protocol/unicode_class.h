#pragma once

namespace alvena {

// Character classes of UTF-16 code units from U+0100 up, from a table generated from the Unicode
// Character Database by tools/gen_unicode_tables.py. Below U+0100 callers use their own fixed
// lists; these return false there, and for surrogate code units.
[[nodiscard]] bool IsUnicodeSpace(char16_t unit);
// Alphabetic, upper case, lower case or decimal digit.
[[nodiscard]] bool IsUnicodeAlnum(char16_t unit);

// Letters and digits of the whole BMP, the same on every machine: below U+0100 the fixed Latin-1
// list (0-9, A-Z, a-z, U+00AA, U+00B2, U+00B3, U+00B5, U+00B9, U+00BA, U+00C0-U+00D6,
// U+00D8-U+00F6, U+00F8-U+00FF), above it IsUnicodeAlnum.
[[nodiscard]] bool IsLetterOrDigit(char16_t unit);

}  // namespace alvena
