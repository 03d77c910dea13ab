#include "protocol/json_text.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/utf8.h"

namespace alvena {
namespace {

using std::string_literals::operator""s;

struct EscapeCase {
    Utf8Text input;
    Utf8Text expected;
};

TEST(JsonEscapeTest, EscapesQuotesBackslashesAndControlBytes) {
    const EscapeCase cases[] = {
        {"", ""},
        {"hola", "hola"},
        {R"(a"b\c)", R"(a\"b\\c)"},
        {"\t\n\r", R"(\t\n\r)"},
        {"\x08\x0C", R"(\u0008\u000c)"},
        {"\x01\x1F", R"(\u0001\u001f)"},
        {"a\0b"s, R"(a\u0000b)"},
        {"\xC3\xB1\x7F", "\xC3\xB1\x7F"},
        {"a/b", "a/b"},
        {"\xFF\x80", "\xFF\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonEscape(c.input), c.expected) << "input: " << c.input;
    }
}

TEST(JsonEscapeTest, EveryByteReadsBackUnchanged) {
    Utf8Text all;
    for (int byte = 0; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    const Utf8Text escaped = JsonEscape(all);
    for (const char c : escaped) {
        EXPECT_GE(static_cast<unsigned char>(c), 0x20) << "raw control byte in escaped text";
    }
    EXPECT_EQ(JsonReadString('"' + escaped + '"', 0), all);
}

struct FindCase {
    const char* name;
    Utf8Text text;
    Utf8Text key;
    std::optional<Utf8Text> rest;  // text from the returned index on; nullopt for kJsonNone
};

TEST(JsonFindValueTest, FindsTheFirstKeyFollowedByAColon) {
    const FindCase cases[] = {
        {"simple", R"({"a":"x","b":"y"})", "b", R"("y"})"},
        {"value occurrence before comma skipped", R"({"tipo":"estado","estado":"ok"})", "estado",
         R"("ok"})"},
        {"value occurrence before brace skipped", R"({"a":{"b":"estado"},"estado":1})", "estado",
         "1}"},
        {"white space before colon", "{\"k\" \t\r\n\v\f: 1}", "k", " 1}"},
        {"nested first", R"({"o":{"k":1},"k":2})", "k", "1},\"k\":2}"},
        {"prefix of a longer key", R"({"diagnosticos":["a"]})", "diagnostico", std::nullopt},
        {"longer than the present key", R"({"diagnostico":["a"]})", "diagnosticos", std::nullopt},
        {"case sensitive", R"({"Clave":1})", "clave", std::nullopt},
        {"only as a value", R"({"a":"k"})", "k", std::nullopt},
        {"at the very end", R"(["k")", "k", std::nullopt},
        {"search resumes after the whole pattern", R"("k"k":1)", "k", std::nullopt},
        {"colon after other bytes", R"({"k" x: 1})", "k", std::nullopt},
        {"empty text", "", "k", std::nullopt},
        {"empty key", R"({"":"v"})", "", R"("v"})"},
        {"nul byte in text", "{\"a\0\":1,\"a\":2}"s, "a", "2}"},
    };
    for (const auto& c : cases) {
        const std::size_t index = JsonFindValue(c.text, c.key);
        if (c.rest) {
            ASSERT_NE(index, kJsonNone) << c.name;
            EXPECT_EQ(c.text.substr(index), *c.rest) << c.name;
        } else {
            EXPECT_EQ(index, kJsonNone) << c.name;
        }
    }
}

TEST(JsonFindValueTest, ViewWithoutData) {
    EXPECT_EQ(JsonFindValue(Utf8View{}, "k"), kJsonNone);
    EXPECT_EQ(JsonGetString(Utf8View{}, "k", "fb"), "fb");
    EXPECT_TRUE(JsonGetStringArray(Utf8View{}, "k").empty());
}

struct ReadCase {
    Utf8Text text;
    std::size_t index;
    Utf8Text expected;
};

TEST(JsonReadStringTest, DecodesEscapes) {
    const ReadCase cases[] = {
        {R"("abc")", 0, "abc"},
        {" \n\t\"abc\"", 0, "abc"},
        {R"({"k":"v"})", 5, "v"},
        {R"({"k":"v"})", 4, ""},
        {R"(x"abc")", 0, ""},
        {"", 0, ""},
        {R"("a")", 7, ""},
        {R"("")", 0, ""},
        {R"("a"b")", 0, "a"},
        {R"("abc)", 0, "abc"},
        {"\"\xC3\xB1\"", 0, "\xC3\xB1"},
        {"\"a\0b\""s, 0, "a\0b"s},
        {R"("a\"b")", 0, R"(a"b)"},
        {R"("a\\b")", 0, R"(a\b)"},
        {R"("\\")", 0, R"(\)"},
        {R"("\/")", 0, "/"},
        {R"("\b\f")", 0, "bf"},
        {R"("\n\r\t")", 0, "\n\r\t"},
        {R"("\q")", 0, "q"},
        {R"("\u0041")", 0, "A"},
        {R"("\u00e9")", 0, "\xC3\xA9"},
        {R"("\u00E9")", 0, "\xC3\xA9"},
        {R"("\u00BF\u00FF")", 0, "\xC2\xBF\xC3\xBF"},
        {R"("\u20AC")", 0, "\xE2\x82\xAC"},
        {R"("\u007f")", 0, "\x7F"},
        {R"("\u0080")", 0, "\xC2\x80"},
        {R"("\u07ff")", 0, "\xDF\xBF"},
        {R"("\u0800")", 0, "\xE0\xA0\x80"},
        {R"("\uffff")", 0, "\xEF\xBF\xBF"},
        {R"("\u0000x")", 0, "\0x"s},
        {R"("\u00zz")", 0, "\0"s},
        {R"("\uz0e9")", 0, "\xC3\xA9"},
        {R"("\ud83d\ude00")", 0, "\xED\xA0\xBD\xED\xB8\x80"},
        {R"("a\u12)", 0, "a12"},
        {R"("a\u123)", 0, "a123"},
        {R"("a\u0041)", 0, "aA"},
        {R"("\u")", 0, ""},
        {R"("ab\)", 0, R"(ab\)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonReadString(c.text, c.index), c.expected)
            << "text: " << c.text << " index: " << c.index;
    }
}

TEST(JsonReadStringTest, EscapedSurrogatesStayUnpaired) {
    const Utf8Text bytes = JsonReadString(R"("\ud83d\ude00")", 0);
    EXPECT_EQ(Utf8ToWide(bytes), WideText(6, u'\uFFFD'));
}

struct GetStringCase {
    const char* name;
    Utf8Text text;
    Utf8Text expected;
};

TEST(JsonGetStringTest, ReturnsNonEmptyStringValueOrFallback) {
    const GetStringCase cases[] = {
        {"simple", R"({"k":"v"})", "v"},
        {"spaced", "{\"k\" :\n \"v\" }", "v"},
        {"nested first wins", R"({"datos":{"k":"a"},"k":"b"})", "a"},
        {"value occurrence skipped", R"({"x":"k","k":"v"})", "v"},
        {"escaped", R"({"k":"l\u00ednea\n2"})",
         "l\xC3\xAD"
         "nea\n2"},
        {"empty string", R"({"k":""})", "fb"},
        {"null", R"({"k":null})", "fb"},
        {"number", R"({"k":12})", "fb"},
        {"array", R"({"k":["a"]})", "fb"},
        {"object", R"({"k":{"a":"b"}})", "fb"},
        {"missing", R"({"j":"v"})", "fb"},
        {"missing value", R"({"k":)", "fb"},
        {"later occurrences not tried", R"({"k":1,"k":"b"})", "fb"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonGetString(c.text, "k", "fb"), c.expected) << c.name;
    }
}

TEST(JsonGetStringTest, NestedOccurrenceBeforeTopLevel) {
    EXPECT_EQ(JsonGetString(R"({"r":{"orientacion":"a"},"orientacion":"b"})", "orientacion", ""),
              "a");
}

struct ArrayCase {
    const char* name;
    Utf8Text text;
    std::vector<Utf8Text> expected;
};

TEST(JsonGetStringArrayTest, CollectsNonEmptyStrings) {
    const ArrayCase cases[] = {
        {"mixed", R"({"l":["a","",1,{"k":"v"},"b"]})", {"a", "b"}},
        {"spaced", "{\"l\" : \n[ \"a\" ,\t\"b\"\r\n]}", {"a", "b"}},
        {"literals", R"({"l":[true,false,null,-1.5e3,"z"]})", {"z"}},
        {"escapes decoded", R"({"l":["a\u00e9","\"q\""]})", {"a\xC3\xA9", R"("q")"}},
        {"escaped bracket inside string", R"({"l":["x\"]","y"]})", {R"(x"])", "y"}},
        {"brace inside object string", R"({"l":[{"t":"}"},"z"]})", {"z"}},
        {"escaped quote inside object string", R"({"l":[{"t":"\"}"},"z"]})", {"z"}},
        {"nested objects", R"({"l":[{"a":{"b":"c"}},"z"]})", {"z"}},
        {"nested array ends the walk", R"({"l":[["a","b"],"c"]})", {"a", "b"}},
        {"stops at the bracket", R"({"l":["a"],"m":["b"]})", {"a"}},
        {"value occurrence skipped", R"({"m":"l","l":["a"]})", {"a"}},
        {"empty array", R"({"l":[]})", {}},
        {"string instead", R"({"l":"a"})", {}},
        {"object instead", R"({"l":{"a":["b"]}})", {}},
        {"missing", R"({"m":["a"]})", {}},
        {"unterminated array", R"({"l":["a","b")", {"a", "b"}},
        {"unterminated string", R"({"l":["a","b)", {"a", "b"}},
        {"unterminated object", R"({"l":["a",{"k":"v")", {"a"}},
        {"backslash at the end", R"({"l":["a\)", {R"(a\)"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonGetStringArray(c.text, "l"), c.expected) << c.name;
    }
}

struct SkipCase {
    Utf8Text text;
    std::size_t expected;
};

TEST(JsonSkipTest, StringEndsAfterItsClosingQuote) {
    const SkipCase cases[] = {
        {R"("ab"c)", 4}, {R"("a\"b"c)", 6}, {R"("a\\"c)", 5},
        {R"("ab)", 3},   {R"("a\)", 3},     {R"(")", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SkipJsonString(c.text, 0), c.expected) << c.text;
    }
}

// Long values are searched eight bytes at a time: quotes, backslashes and keys at every offset
// of a word, and a value running to the end of the text, read as they do byte by byte.
TEST(JsonSkipTest, LongValuesWithEscapesAtEveryOffset) {
    for (std::size_t offset = 0; offset < 20; ++offset) {
        const Utf8Text tail(offset % 9, 'c');
        Utf8Text expected(offset, 'a');
        expected.append("\"b\\").append(tail);
        Utf8Text value = "\"";
        value.append(offset, 'a').append(R"(\"b\\)").append(tail).append("\"");
        Utf8Text object = "{";
        object.append(offset, ' ').append(R"("k":)").append(value).append("}");
        SCOPED_TRACE(object);
        EXPECT_EQ(JsonReadString(value, 0), expected);
        EXPECT_EQ(SkipJsonString(value + "tail", 0), value.size());
        EXPECT_EQ(SkipJsonString(Utf8View(value).substr(0, value.size() - 1), 0), value.size() - 1);
        EXPECT_EQ(JsonFindValue(object, "k"), offset + 5);
        EXPECT_EQ(FindJsonObjectEnd(object + "x", 0), object.size());
    }
}

TEST(JsonSkipTest, ObjectEndsAfterItsClosingBrace) {
    const SkipCase cases[] = {
        {R"({}x)", 2},         {R"({"a":{"b":1}}x)", 13}, {R"({"a":"}"}x)", 9},
        {R"({"a":"{"}x)", 9},  {R"({"a":"\"}"}x)", 11},   {R"({"a":"\\"}x)", 10},
        {R"({{})", kJsonNone}, {R"({"a":"})", kJsonNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindJsonObjectEnd(c.text, 0), c.expected) << c.text;
    }
}

TEST(JsonSkipTest, WhiteSpaceIsTheSixAsciiBytes) {
    constexpr int kWhiteSpace[] = {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20};
    for (int byte = 0; byte < 256; ++byte) {
        const bool expected = std::find(std::begin(kWhiteSpace), std::end(kWhiteSpace), byte) !=
                              std::end(kWhiteSpace);
        EXPECT_EQ(IsJsonWhiteSpace(static_cast<unsigned char>(byte)), expected) << byte;
    }
    EXPECT_EQ(SkipJsonWhiteSpace(" \t\xA0x", 0), 2u);
    EXPECT_EQ(SkipJsonWhiteSpace("  ", 0), 2u);
    EXPECT_EQ(SkipJsonWhiteSpace("a ", 1), 2u);
}

}  // namespace
}  // namespace alvena
