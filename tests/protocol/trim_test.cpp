#include "protocol/trim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "protocol/unicode_class.h"
#include "protocol/unicode_tables.h"

namespace alvena {
namespace {

struct TrimCase {
    const char* name;
    WideText input;
    WideText expected;
};

TEST(TrimTest, RemovesOuterWhiteSpaceOnly) {
    const TrimCase cases[] = {
        {"empty", u"", u""},
        {"no space", u"hola", u"hola"},
        {"single letter", u"a", u"a"},
        {"ascii around", u"  hola \r\n", u"hola"},
        {"inner kept", u"  a  b\tc ", u"a  b\tc"},
        {"only spaces", u" \t\u00A0 \r\n", u""},
        {"single space", u" ", u""},
        {"vertical tab and form feed", u"\u000B\u000Cx\u000B\u000C", u"x"},
        {"next line", u"\u0085x\u0085", u"x"},
        {"ideographic space", u"\u3000hola\u3000", u"hola"},
        {"em space and narrow nbsp", u"\u2003x\u202F", u"x"},
        {"line separator", u"\u2028x\u2029", u"x"},
        {"zero width space is content", u"\u200Bx\u200B", u"\u200Bx\u200B"},
        {"em dash is content", u"\u2014x", u"\u2014x"},
        {"nul is content", WideText(1, u'\0'), WideText(1, u'\0')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Trim(c.input), c.expected) << c.name;
    }
}

TEST(TrimTest, FixedSetBelowU0100) {
    constexpr char16_t kSpaces[] = {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0x85, 0xA0};
    for (char16_t unit = 0; unit < 0x100; ++unit) {
        const bool expected =
            std::find(std::begin(kSpaces), std::end(kSpaces), unit) != std::end(kSpaces);
        EXPECT_EQ(IsTrimSpace(unit), expected) << static_cast<int>(unit);
    }
}

struct ClassCase {
    char16_t unit;
    bool space;
    bool alnum;
};

TEST(UnicodeClassTest, KnownCharacters) {
    const ClassCase cases[] = {
        {0x3000, true, false},   // ideographic space
        {0x2003, true, false},   // em space
        {0x1680, true, false},   // ogham space mark
        {0x200A, true, false},   // hair space
        {0x205F, true, false},   // medium mathematical space
        {0x0100, false, true},   // A with macron
        {0x01C5, false, true},   // title case Dz with caron
        {0x02B0, false, true},   // modifier letter small h
        {0x03B1, false, true},   // alpha
        {0x0416, false, true},   // Cyrillic Zhe
        {0x4E2D, false, true},   // CJK ideograph
        {0xAC00, false, true},   // Hangul syllable
        {0x0660, false, true},   // Arabic-Indic digit zero
        {0xFF10, false, true},   // fullwidth digit zero
        {0x2014, false, false},  // em dash
        {0x200B, false, false},  // zero width space
        {0x0301, false, false},  // combining acute accent
        {0x2160, false, false},  // Roman numeral one: a number, not a decimal digit
        {0xFFFD, false, false}, {0xFFFF, false, false},
        {0x00E9, false, false},  // below U+0100: the callers' own lists
        {0x00A0, false, false}, {0x0020, false, false},
        {0x0041, false, false}, {0xD800, false, false},
        {0xDBFF, false, false}, {0xDC00, false, false},
        {0xDFFF, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUnicodeSpace(c.unit), c.space) << std::hex << static_cast<int>(c.unit);
        EXPECT_EQ(IsUnicodeAlnum(c.unit), c.alnum) << std::hex << static_cast<int>(c.unit);
    }
}

void ExpectWellFormed(std::span<const CodeUnitRange> ranges) {
    ASSERT_FALSE(ranges.empty());
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        EXPECT_GE(ranges[i].first, 0x100);
        EXPECT_LE(ranges[i].first, ranges[i].last);
        EXPECT_FALSE(ranges[i].first <= 0xDFFF && ranges[i].last >= 0xD800) << i;
        if (i > 0) {
            EXPECT_GT(ranges[i].first, ranges[i - 1].last + 1) << i;  // sorted, merged
        }
    }
}

TEST(UnicodeClassTest, TablesAreSortedDisjointAndAboveLatin1) {
    ExpectWellFormed(kUnicodeSpaceRanges);
    ExpectWellFormed(kUnicodeAlnumRanges);
}

// The binary search must agree with a plain scan of the table on every code unit, range edges
// included.
TEST(UnicodeClassTest, LookupMatchesLinearScan) {
    const auto scan = [](std::span<const CodeUnitRange> ranges, char16_t unit) {
        for (const auto& range : ranges) {
            if (unit >= range.first && unit <= range.last) {
                return true;
            }
        }
        return false;
    };
    for (char32_t code = 0; code <= 0xFFFF; ++code) {
        const auto unit = static_cast<char16_t>(code);
        ASSERT_EQ(IsUnicodeSpace(unit), scan(kUnicodeSpaceRanges, unit))
            << std::hex << static_cast<unsigned>(code);
        ASSERT_EQ(IsUnicodeAlnum(unit), scan(kUnicodeAlnumRanges, unit))
            << std::hex << static_cast<unsigned>(code);
    }
}

}  // namespace
}  // namespace alvena
