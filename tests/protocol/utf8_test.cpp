#include "protocol/utf8.h"

#include <string>

#include <gtest/gtest.h>

namespace alvena {
namespace {

using std::string_literals::operator""s;

constexpr char16_t kFffd = u'\uFFFD';

// A code point as UTF-16, for building expectations around surrogates without literals.
WideText Units(std::initializer_list<char16_t> units) {
    return WideText(units);
}

struct WideCase {
    const char* name;
    WideText input;
    Utf8Text expected;
};

TEST(WideToUtf8Test, EncodesEachLength) {
    const WideCase cases[] = {
        {"empty", u"", ""},
        {"ascii", u"hola", "hola"},
        {"nul", u"a\0b"s, "a\0b"s},
        {"U+007F", u"\u007F", "\x7F"},
        {"U+0080", u"\u0080", "\xC2\x80"},
        {"n tilde", u"\u00F1", "\xC3\xB1"},
        {"U+07FF", u"\u07FF", "\xDF\xBF"},
        {"U+0800", u"\u0800", "\xE0\xA0\x80"},
        {"euro", u"\u20AC", "\xE2\x82\xAC"},
        {"U+D7FF", u"\uD7FF", "\xED\x9F\xBF"},
        {"U+E000", u"\uE000", "\xEE\x80\x80"},
        {"U+FFFF", u"\uFFFF", "\xEF\xBF\xBF"},
        {"U+10000", Units({0xD800, 0xDC00}), "\xF0\x90\x80\x80"},
        {"emoji", Units({0xD83D, 0xDE00}), "\xF0\x9F\x98\x80"},
        {"U+10FFFF", Units({0xDBFF, 0xDFFF}), "\xF4\x8F\xBF\xBF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WideToUtf8(c.input), c.expected) << c.name;
    }
}

TEST(WideToUtf8Test, UnpairedSurrogatesBecomeReplacementCharacters) {
    const WideCase cases[] = {
        {"lone high", Units({0xD83D}), "\xEF\xBF\xBD"},
        {"lone low", Units({0xDE00}), "\xEF\xBF\xBD"},
        {"high at the end", Units({u'a', 0xD83D}), "a\xEF\xBF\xBD"},
        {"high before ascii", Units({0xD83D, u'a'}),
         "\xEF\xBF\xBD"
         "a"},
        {"two highs then low", Units({0xD83D, 0xD83D, 0xDE00}), "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {"reversed pair", Units({0xDE00, 0xD83D}), "\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WideToUtf8(c.input), c.expected) << c.name;
    }
}

struct Utf8Case {
    const char* name;
    Utf8Text input;
    WideText expected;
};

TEST(Utf8ToWideTest, DecodesWellFormedText) {
    const Utf8Case cases[] = {
        {"empty", "", u""},
        {"ascii", "hola", u"hola"},
        {"nul", "a\0b"s, u"a\0b"s},
        {"two bytes", "\xC3\xB1", u"\u00F1"},
        {"U+0080", "\xC2\x80", u"\u0080"},
        {"U+0800", "\xE0\xA0\x80", u"\u0800"},
        {"U+D7FF", "\xED\x9F\xBF", u"\uD7FF"},
        {"U+E000", "\xEE\x80\x80", u"\uE000"},
        {"U+FFFF", "\xEF\xBF\xBF", u"\uFFFF"},
        {"U+10000", "\xF0\x90\x80\x80", Units({0xD800, 0xDC00})},
        {"emoji", "\xF0\x9F\x98\x80", Units({0xD83D, 0xDE00})},
        {"U+10FFFF", "\xF4\x8F\xBF\xBF", Units({0xDBFF, 0xDFFF})},
        {"mixed after ascii block", "abcdefgh\xC3\xB1xyz", u"abcdefgh\u00F1xyz"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.input), c.expected) << c.name;
    }
}

TEST(Utf8ToWideTest, ReplacesEachMaximalIllFormedSubpart) {
    const WideText one(1, kFffd);
    const WideText two(2, kFffd);
    const WideText three(3, kFffd);
    const WideText four(4, kFffd);
    const Utf8Case cases[] = {
        {"bad continuation", "\xC3\x28", u"\uFFFD("},
        {"stray continuation", "\x80", one},
        {"stray continuations", "\xBF\x80", two},
        {"C0 over-long", "\xC0\xAF", two},
        {"C1 over-long", "\xC1\xBF", two},
        {"E0 over-long", "\xE0\x80\xAF", three},
        {"E0 over-long high", "\xE0\x9F\xBF", three},
        {"encoded surrogate", "\xED\xA0\x80", three},
        {"encoded low surrogate", "\xED\xBF\xBF", three},
        {"F0 over-long", "\xF0\x8F\xBF\xBF", four},
        {"above U+10FFFF", "\xF4\x90\x80\x80", four},
        {"F5 lead", "\xF5\x80\x80\x80", four},
        {"FE FF", "\xFE\xFF", two},
        {"truncated two at end", "a\xC3", u"a\uFFFD"},
        {"truncated three at end", "a\xE2\x82", u"a\uFFFD"},
        {"truncated four at end", "a\xF0\x9F\x98", u"a\uFFFD"},
        {"lead alone at end", "a\xF0", u"a\uFFFD"},
        {"truncated three before ascii",
         "\xE2\x82"
         "a",
         u"\uFFFDa"},
        {"truncated four before ascii",
         "\xF0\x9F\x98"
         "a",
         u"\uFFFDa"},
        {"truncated before a full one", "\xE2\x82\xE2\x82\xAC", u"\uFFFD\u20AC"},
        {"truncated four before a lead", "\xF0\x9F\xF0\x9F\x98\x80",
         Units({kFffd, 0xD83D, 0xDE00})},
        // The example sequence of the Unicode Standard, section 3.9.
        {"standard example", "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
         u"a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.input), c.expected) << c.name;
    }
}

// The decoder reads plain ASCII eight bytes at a time; a sequence anywhere around a block edge
// must decode the same way.
TEST(Utf8ToWideTest, SequencesAtEveryOffsetAroundTheAsciiBlocks) {
    for (std::size_t offset = 0; offset < 20; ++offset) {
        const Utf8Text pad(offset, 'x');
        EXPECT_EQ(Utf8ToWide(pad + "\xC3\xB1" + "yyyyyyyyyy"),
                  WideText(offset, u'x') + u"\u00F1yyyyyyyyyy")
            << offset;
        EXPECT_EQ(Utf8ToWide(pad + "\xF0\x9F\x98\x80" + "yyyyyyyyyy"),
                  WideText(offset, u'x') + Units({0xD83D, 0xDE00}) + u"yyyyyyyyyy")
            << offset;
        EXPECT_EQ(Utf8ToWide(pad + "\xE2\x82"), WideText(offset, u'x') + kFffd) << offset;
        EXPECT_EQ(Utf8ToWide(pad + "\x80" + "yyyyyyyyyy"),
                  WideText(offset, u'x') + kFffd + u"yyyyyyyyyy")
            << offset;
    }
}

// Views need not end at a terminator: nothing past their end may be read.
TEST(Utf8ToWideTest, StopsAtTheEndOfTheView) {
    const Utf8View buffer = "abcdefghijklmnopqrstuvwxyz";
    for (std::size_t length = 0; length <= 20; ++length) {
        const WideText decoded = Utf8ToWide(buffer.substr(0, length));
        EXPECT_EQ(decoded, WideText(u"abcdefghijklmnopqrstuvwxyz").substr(0, length)) << length;
    }
}

TEST(WideToUtf8Test, StopsAtTheEndOfTheView) {
    const WideText pair = Units({0xD83D, 0xDE00});
    EXPECT_EQ(WideToUtf8(WideView(pair).substr(0, 1)), "\xEF\xBF\xBD");
}

TEST(Utf8RoundTripTest, SpanishTextWithEmoji) {
    const WideText wide =
        u"\u00BFQu\u00E9 s\u00EDntomas? \u00A1Ni\u00F1o, \u00FAtil, "
        u"coraz\u00F3n, acci\u00F3n! \U0001F600";
    const Utf8Text utf8 =
        "\xC2\xBFQu\xC3\xA9 s\xC3\xADntomas? \xC2\xA1Ni\xC3\xB1o, \xC3\xBAtil, "
        "coraz\xC3\xB3n, acci\xC3\xB3n! \xF0\x9F\x98\x80";
    EXPECT_EQ(WideToUtf8(wide), utf8);
    EXPECT_EQ(Utf8ToWide(utf8), wide);
}

TEST(Utf8RoundTripTest, EveryScalarValue) {
    WideText wide;
    for (char32_t code = 0; code <= 0x10FFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) {
            continue;
        }
        if (code < 0x10000) {
            wide.push_back(static_cast<char16_t>(code));
        } else {
            wide.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        }
    }
    const Utf8Text utf8 = WideToUtf8(wide);
    EXPECT_EQ(utf8.size(),
              0x80u * 1 + 0x780u * 2 + (0x10000u - 0x800u - 0x800u) * 3 + 0x100000u * 4);
    EXPECT_TRUE(Utf8ToWide(utf8) == wide);
}

}  // namespace
}  // namespace alvena
