#include "app/display_text.h"

#include <gtest/gtest.h>

namespace alvena {
namespace {

struct LineBreakCase {
    const char* name;
    WideText input;
    WideText expected;
};

const LineBreakCase kLineBreakCases[] = {
    {"empty", u"", u""},
    {"no breaks", u"hola", u"hola"},
    {"inner line feed", u"a\nb", u"a\r\nb"},
    {"crlf kept", u"a\r\nb", u"a\r\nb"},
    {"two line feeds", u"\n\n", u"\r\n\r\n"},
    {"lone carriage return", u"\r", u"\r"},
    {"inner carriage return", u"a\rb", u"a\rb"},
    {"leading line feed", u"\nab", u"\r\nab"},
    {"trailing line feed", u"ab\n", u"ab\r\n"},
    {"crlf then line feed", u"\r\n\n", u"\r\n\r\n"},
    {"cr cr lf", u"\r\r\n", u"\r\r\n"},
    {"line feed then cr", u"\n\r", u"\r\n\r"},
    {"mixed", u"uno\ndos\r\ntres\n", u"uno\r\ndos\r\ntres\r\n"},
    {"non ascii kept", u"síntoma\n\u2028fin", u"síntoma\r\n\u2028fin"},
};

TEST(ToDisplayLineBreaksTest, PairsEveryBareLineFeed) {
    for (const auto& c : kLineBreakCases) {
        EXPECT_EQ(ToDisplayLineBreaks(c.input), c.expected) << c.name;
    }
}

TEST(ToDisplayLineBreaksTest, ConvertingTwiceChangesNothing) {
    for (const auto& c : kLineBreakCases) {
        EXPECT_EQ(ToDisplayLineBreaks(c.expected), c.expected) << c.name;
    }
}

struct BlockCase {
    const char* name;
    WideText label;
    WideText text;
    WideText expected;
};

TEST(TranscriptBlockTest, LabelColonTextBlankLine) {
    const BlockCase cases[] = {
        {"user", u"Usted", u"hola", u"Usted:\r\nhola\r\n\r\n"},
        {"empty text", u"Usted", u"", u"Usted:\r\n\r\n\r\n"},
        {"several lines", u"Alvena", u"uno\ndos", u"Alvena:\r\nuno\r\ndos\r\n\r\n"},
        {"crlf text", u"Alvena", u"uno\r\ndos", u"Alvena:\r\nuno\r\ndos\r\n\r\n"},
        {"trailing line feed", u"Usted", u"fiebre\n", u"Usted:\r\nfiebre\r\n\r\n\r\n"},
        {"label kept as is", u"A\nB", u"x", u"A\nB:\r\nx\r\n\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TranscriptBlock(c.label, c.text), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace alvena
