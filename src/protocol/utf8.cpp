#include "protocol/utf8.h"

#include <cstdint>
#include <cstring>

namespace alvena {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

[[nodiscard]] constexpr bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
[[nodiscard]] constexpr bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

[[nodiscard]] constexpr bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// True when none of the 8 bytes at `bytes` has its high bit set.
[[nodiscard]] bool AllAscii8(const unsigned char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

}  // namespace

Utf8Text WideToUtf8(WideView text) {
    // Exact size first so the output is written once, without reallocation.
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit < 0x80) {
            length += 1;
        } else if (unit < 0x800) {
            length += 2;
        } else if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            length += 4;
            ++i;
        } else {
            length += 3;  // Also an unpaired surrogate, written as U+FFFD.
        }
    }

    Utf8Text out(length, '\0');
    char* dest = out.data();
    const auto put = [&dest](std::uint32_t byte) { *dest++ = static_cast<char>(byte); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = text[i];
        if (code < 0x80) {
            put(code);
        } else if (code < 0x800) {
            put(0xC0 | (code >> 6));
            put(0x80 | (code & 0x3F));
        } else if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
            put(0xF0 | (code >> 18));
            put(0x80 | ((code >> 12) & 0x3F));
            put(0x80 | ((code >> 6) & 0x3F));
            put(0x80 | (code & 0x3F));
        } else {
            if (code >= 0xD800 && code <= 0xDFFF) {
                code = kReplacement;
            }
            put(0xE0 | (code >> 12));
            put(0x80 | ((code >> 6) & 0x3F));
            put(0x80 | (code & 0x3F));
        }
    }
    return out;
}

WideText Utf8ToWide(Utf8View text) {
    // Every byte yields at most one code unit (a 4-byte sequence yields two), so the input size
    // bounds the output.
    WideText out(text.size(), u'\0');
    char16_t* dest = out.data();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        if (i + 8 <= size && AllAscii8(bytes + i)) {
            for (std::size_t k = 0; k < 8; ++k) {
                dest[k] = bytes[i + k];
            }
            dest += 8;
            i += 8;
            continue;
        }
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            *dest++ = lead;
            ++i;
            continue;
        }

        // Sequence length and the allowed range of the second byte, which rules out over-long
        // forms, encoded surrogates and code points above U+10FFFF.
        std::size_t need;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        std::uint32_t code;
        if (lead >= 0xC2 && lead <= 0xDF) {
            need = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            need = 2;
            code = lead & 0x0F;
            if (lead == 0xE0) {
                low = 0xA0;
            } else if (lead == 0xED) {
                high = 0x9F;
            }
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            need = 3;
            code = lead & 0x07;
            if (lead == 0xF0) {
                low = 0x90;
            } else if (lead == 0xF4) {
                high = 0x8F;
            }
        } else {
            *dest++ = kReplacement;  // Stray continuation, C0, C1 or F5-FF.
            ++i;
            continue;
        }

        ++i;
        if (i >= size || bytes[i] < low || bytes[i] > high) {
            *dest++ = kReplacement;  // The lead byte alone is the maximal subpart.
            continue;
        }
        code = (code << 6) | (bytes[i] & 0x3F);
        ++i;
        bool complete = true;
        for (std::size_t k = 1; k < need; ++k) {
            if (i >= size || !IsContinuation(bytes[i])) {
                complete = false;
                break;
            }
            code = (code << 6) | (bytes[i] & 0x3F);
            ++i;
        }
        if (!complete) {
            *dest++ = kReplacement;  // Lead and the valid continuations so far.
        } else if (code >= 0x10000) {
            code -= 0x10000;
            *dest++ = static_cast<char16_t>(0xD800 + (code >> 10));
            *dest++ = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            *dest++ = static_cast<char16_t>(code);
        }
    }
    out.resize(static_cast<std::size_t>(dest - out.data()));
    return out;
}

}  // namespace alvena
