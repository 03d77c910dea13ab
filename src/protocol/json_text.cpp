#include "protocol/json_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace alvena {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// Index of the first byte equal to `a` or `b` at or after `from`, or the text's size when there
// is none. Eight bytes at a time: string values run to a history entry's 12000-unit detail or a
// whole answer, and some C libraries' memchr (MinGW's msvcrt under Wine) is a plain byte loop.
[[nodiscard]] std::size_t FindEither(Utf8View text, std::size_t from, char a, char b) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    // Non-zero when one of the word's bytes equals `byte`.
    const auto holds = [](std::uint64_t word, char byte) {
        const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(byte));
        return (x - kOnes) & ~x & kHighs;
    };
    const std::size_t size = text.size();
    while (from + 8 <= size) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + from, 8);
        if ((holds(word, a) | holds(word, b)) != 0) {
            break;
        }
        from += 8;
    }
    while (from < size && text[from] != a && text[from] != b) {
        ++from;
    }
    return from;
}

// Position of `pattern` in `text` at or after `from`, or kJsonNone. Replies run to a megabyte and
// the key often stands at the end: glibc's memmem outruns std::string_view::find there (which
// stops at every quote, the pattern's first byte). MinGW has no memmem.
[[nodiscard]] std::size_t FindBytes(Utf8View text, Utf8View pattern, std::size_t from) {
    if (from > text.size() || text.size() - from < pattern.size()) {
        return kJsonNone;  // Also keeps a null data pointer away from memmem.
    }
#if defined(__GLIBC__)
    const void* found =
        memmem(text.data() + from, text.size() - from, pattern.data(), pattern.size());
    return found == nullptr
               ? kJsonNone
               : static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
#else
    if (pattern.empty()) {
        return from;
    }
    const std::size_t last = text.size() - pattern.size();
    for (std::size_t i = FindEither(text, from, pattern[0], pattern[0]); i <= last;
         i = FindEither(text, i + 1, pattern[0], pattern[0])) {
        if (std::memcmp(text.data() + i, pattern.data(), pattern.size()) == 0) {
            return i;
        }
    }
    return kJsonNone;
#endif
}

// Control bytes, the quote and the backslash; every other byte, 0x7F and 0x80-0xFF included,
// goes out as it is.
[[nodiscard]] bool NeedsJsonEscape(unsigned char byte) {
    return byte < 0x20 || byte == '"' || byte == '\\';
}

// Value of one hex digit; any other byte counts as 0.
[[nodiscard]] std::uint32_t HexValue(unsigned char byte) {
    if (byte >= '0' && byte <= '9') {
        return byte - '0';
    }
    if (byte >= 'a' && byte <= 'f') {
        return byte - 'a' + 10u;
    }
    if (byte >= 'A' && byte <= 'F') {
        return byte - 'A' + 10u;
    }
    return 0;
}

// Appends a 16-bit value as UTF-8 as is, surrogates included: escapes carry UTF-16 code units.
void AppendCodeUnit(Utf8Text& out, std::uint32_t value) {
    if (value < 0x80) {
        out.push_back(static_cast<char>(value));
    } else if (value < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (value >> 6)));
        out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (value >> 12)));
        out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    }
}

}  // namespace

bool IsJsonWhiteSpace(unsigned char byte) {
    return (byte >= 0x09 && byte <= 0x0D) || byte == 0x20;
}

std::size_t SkipJsonWhiteSpace(Utf8View text, std::size_t index) {
    while (index < text.size() && IsJsonWhiteSpace(static_cast<unsigned char>(text[index]))) {
        ++index;
    }
    return index;
}

std::size_t SkipJsonString(Utf8View text, std::size_t index) {
    // Quote to quote, not byte by byte: a quote is escaped when an odd run of backslashes stands
    // right in front of it, within the string.
    const std::size_t content = index + 1;
    std::size_t from = content;
    for (;;) {
        const std::size_t quote = FindEither(text, from, '"', '"');
        if (quote == text.size()) {
            return text.size();
        }
        std::size_t backslashes = 0;
        while (quote - backslashes > content && text[quote - backslashes - 1] == '\\') {
            ++backslashes;
        }
        if (backslashes % 2 == 0) {
            return quote + 1;
        }
        from = quote + 1;
    }
}

std::size_t FindJsonObjectEnd(Utf8View text, std::size_t index) {
    std::size_t i = index + 1;
    int depth = 1;
    while (i < text.size()) {
        const char byte = text[i++];
        if (byte == '"') {
            i = SkipJsonString(text, i - 1);
        } else if (byte == '{') {
            ++depth;
        } else if (byte == '}' && --depth == 0) {
            return i;
        }
    }
    return kJsonNone;
}

Utf8Text JsonEscape(Utf8View text) {
    Utf8Text out;
    out.reserve(text.size() + 8);
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        // Text is mostly plain bytes: copy each run up to the next special byte in one append.
        std::size_t run = i;
        while (run < size && !NeedsJsonEscape(static_cast<unsigned char>(text[run]))) {
            ++run;
        }
        out.append(text.data() + i, run - i);
        if (run == size) {
            break;
        }
        const auto byte = static_cast<unsigned char>(text[run]);
        switch (byte) {
            case 0x09:
                out += "\\t";
                break;
            case 0x0A:
                out += "\\n";
                break;
            case 0x0D:
                out += "\\r";
                break;
            case 0x22:
                out += "\\\"";
                break;
            case 0x5C:
                out += "\\\\";
                break;
            default:
                out += "\\u00";
                out.push_back(kHexDigits[byte >> 4]);
                out.push_back(kHexDigits[byte & 0x0F]);
        }
        i = run + 1;
    }
    return out;
}

std::size_t JsonFindValue(Utf8View text, Utf8View key) {
    Utf8Text pattern;
    pattern.reserve(key.size() + 2);
    pattern.push_back('"');
    pattern.append(key);
    pattern.push_back('"');

    std::size_t start = 0;
    for (;;) {
        const std::size_t found = FindBytes(text, pattern, start);
        if (found == kJsonNone) {
            return kJsonNone;
        }
        const std::size_t p = SkipJsonWhiteSpace(text, found + pattern.size());
        if (p < text.size() && text[p] == ':') {
            return p + 1;
        }
        start = found + pattern.size();
    }
}

Utf8Text JsonReadString(Utf8View text, std::size_t index) {
    std::size_t i = SkipJsonWhiteSpace(text, index);
    if (i >= text.size() || text[i] != '"') {
        return {};
    }
    ++i;
    Utf8Text out;
    const std::size_t size = text.size();
    while (i < size) {
        // Copy the run of plain bytes up to the next quote or backslash in one go.
        const std::size_t run = FindEither(text, i, '"', '\\');
        out.append(text.data() + i, run - i);
        i = run;
        if (i >= size || text[i] == '"') {
            break;
        }
        // Backslash.
        if (i + 1 >= size) {
            out.push_back('\\');
            break;
        }
        const char escaped = text[i + 1];
        i += 2;
        switch (escaped) {
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'u':
                if (size - i < 4) {
                    break;  // Too short: drop the escape, the rest reads as plain content.
                }
                AppendCodeUnit(out, (HexValue(static_cast<unsigned char>(text[i])) << 12) |
                                        (HexValue(static_cast<unsigned char>(text[i + 1])) << 8) |
                                        (HexValue(static_cast<unsigned char>(text[i + 2])) << 4) |
                                        HexValue(static_cast<unsigned char>(text[i + 3])));
                i += 4;
                break;
            default:
                out.push_back(escaped);  // `"`, `\`, `/`, and any other byte stand for themselves.
        }
    }
    return out;
}

Utf8Text JsonGetString(Utf8View text, Utf8View key, Utf8View fallback) {
    const std::size_t index = JsonFindValue(text, key);
    if (index == kJsonNone) {
        return Utf8Text(fallback);
    }
    Utf8Text value = JsonReadString(text, index);
    return value.empty() ? Utf8Text(fallback) : value;
}

void WalkJsonArray(Utf8View text, Utf8View key, const JsonElementVisitor& onString,
                   const JsonObjectVisitor& onObject) {
    std::size_t i = JsonFindValue(text, key);
    if (i == kJsonNone) {
        return;
    }
    i = SkipJsonWhiteSpace(text, i);
    if (i >= text.size() || text[i] != '[') {
        return;
    }
    ++i;
    while (true) {
        while (i < text.size() &&
               (text[i] == ',' || IsJsonWhiteSpace(static_cast<unsigned char>(text[i])))) {
            ++i;
        }
        if (i >= text.size() || text[i] == ']') {
            break;
        }
        if (text[i] == '"') {
            onString(i);
            i = SkipJsonString(text, i);
        } else if (text[i] == '{') {
            // An object cut off by the end of the text runs to its end.
            const std::size_t found = FindJsonObjectEnd(text, i);
            const std::size_t end = found == kJsonNone ? text.size() : found;
            onObject(text.substr(i, end - i));
            i = end;
        } else {
            // Numbers, literals and a nested array's bracket are stepped over byte by byte.
            ++i;
        }
    }
}

std::vector<Utf8Text> JsonGetStringArray(Utf8View text, Utf8View key) {
    std::vector<Utf8Text> items;
    WalkJsonArray(
        text, key,
        [&](std::size_t index) {
            if (Utf8Text item = JsonReadString(text, index); !item.empty()) {
                items.push_back(std::move(item));
            }
        },
        [](Utf8View) {});
    return items;
}

}  // namespace alvena
