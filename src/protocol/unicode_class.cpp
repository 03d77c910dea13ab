#include "protocol/unicode_class.h"

#include <algorithm>
#include <iterator>
#include <span>

#include "protocol/unicode_tables.h"

namespace alvena {
namespace {

[[nodiscard]] bool InRanges(std::span<const CodeUnitRange> ranges, char16_t unit) {
    // First range starting after unit; the only candidate is the one before it.
    const auto after = std::upper_bound(
        ranges.begin(), ranges.end(), unit,
        [](char16_t value, const CodeUnitRange& range) { return value < range.first; });
    return after != ranges.begin() && unit <= std::prev(after)->last;
}

[[nodiscard]] bool IsLatin1LetterOrDigit(char16_t unit) {
    return (unit >= u'0' && unit <= u'9') || (unit >= u'A' && unit <= u'Z') ||
           (unit >= u'a' && unit <= u'z') || unit == 0xAA || unit == 0xB2 || unit == 0xB3 ||
           unit == 0xB5 || unit == 0xB9 || unit == 0xBA || (unit >= 0xC0 && unit <= 0xD6) ||
           (unit >= 0xD8 && unit <= 0xF6) || (unit >= 0xF8 && unit <= 0xFF);
}

}  // namespace

bool IsUnicodeSpace(char16_t unit) {
    return unit >= 0x100 && InRanges(kUnicodeSpaceRanges, unit);
}

bool IsUnicodeAlnum(char16_t unit) {
    return unit >= 0x100 && InRanges(kUnicodeAlnumRanges, unit);
}

bool IsLetterOrDigit(char16_t unit) {
    return unit < 0x100 ? IsLatin1LetterOrDigit(unit) : IsUnicodeAlnum(unit);
}

}  // namespace alvena
