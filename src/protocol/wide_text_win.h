#pragma once

#include "protocol/wide_text.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

namespace alvena {

// WideText holds the same UTF-16 code units that the W functions take.
inline const wchar_t* AsWinText(const WideText& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline WideText FromWinText(const wchar_t* text, std::size_t length) {
    return WideText(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace alvena
