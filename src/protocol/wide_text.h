#pragma once

#include <string>
#include <string_view>

namespace alvena {

// Text held by the user interface and by records: UTF-16 code units, whatever the platform's
// wchar_t is, so the same code and tests build with gcc on Linux and with MinGW.
using WideText = std::u16string;
using WideView = std::u16string_view;

// Request and reply bodies and file contents: UTF-8 bytes with an explicit length (a NUL byte
// inside is an ordinary byte).
using Utf8Text = std::string;
using Utf8View = std::string_view;

}  // namespace alvena
