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

}  // namespace

bool IsUnicodeSpace(char16_t unit) {
    return unit >= 0x100 && InRanges(kUnicodeSpaceRanges, unit);
}

bool IsUnicodeAlnum(char16_t unit) {
    return unit >= 0x100 && InRanges(kUnicodeAlnumRanges, unit);
}

}  // namespace alvena
