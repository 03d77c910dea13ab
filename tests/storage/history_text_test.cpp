#include "storage/history_text.h"

#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/utf8.h"

namespace alvena {
namespace {

using std::string_literals::operator""s;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

[[nodiscard]] HistoryEntry Entry(WideText id, std::int64_t createdAt) {
    HistoryEntry entry;
    entry.id = std::move(id);
    entry.createdAt = createdAt;
    return entry;
}

TEST(HistoryJsonTest, WritesEveryKeyInOrderWithoutWhiteSpace) {
    HistoryEntry full{u"1b4e28ba-2fa1-11d2-883f-0016d3cca427",
                      u"ana@x.es",
                      u"chat",
                      u"¿Qué es \"fiebre\"?",
                      u"línea 1\nlínea 2",
                      u"a\\b\tc\r\n\u0001",
                      1700000000123};

    EXPECT_EQ(HistoryJson({}), "[]");
    EXPECT_EQ(
        HistoryJson({full, Entry(u"x", -5), Entry(u"y", 0)}),
        R"([{"id":"1b4e28ba-2fa1-11d2-883f-0016d3cca427","email":"ana@x.es","type":"chat",)"
        "\"title\":\"\xC2\xBFQu\xC3\xA9 es \\\"fiebre\\\"?\","
        "\"preview\":\"l\xC3\xADnea 1\\nl\xC3\xADnea 2\","
        R"("detail":"a\\b\tc\r\n\u0001","createdAt":1700000000123},)"
        R"({"id":"x","email":"","type":"","title":"","preview":"","detail":"","createdAt":-5},)"
        R"({"id":"y","email":"","type":"","title":"","preview":"","detail":"","createdAt":0}])");
}

// The listing holds what ParseHistory reads, in the same order, each detail read on demand.
void ExpectListingMatches(const Utf8Text& text, const char* name) {
    const std::vector<HistoryEntry> parsed = ParseHistory(text);
    const HistoryListing listing = ParseHistoryListing(text);
    ASSERT_EQ(listing.entries.size(), parsed.size()) << name;
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        const HistoryEntry& e = listing.entries[i];
        EXPECT_EQ(std::tie(e.id, e.email, e.type, e.title, e.preview, e.createdAt),
                  std::tie(parsed[i].id, parsed[i].email, parsed[i].type, parsed[i].title,
                           parsed[i].preview, parsed[i].createdAt))
            << name;
        EXPECT_EQ(ListedDetail(listing, i), parsed[i].detail) << name;
    }
    EXPECT_EQ(ListedDetail(listing, parsed.size()), u"") << name;
}

struct ParseCase {
    const char* name;
    Utf8Text text;
    std::vector<WideText> ids;  // in the order loaded
};

TEST(ParseHistoryTest, TakesEveryCompleteObjectWithAnId) {
    const ParseCase cases[] = {
        {"empty", "", {}},
        {"empty array", "[]", {}},
        {"not json", "hola mundo", {}},
        {"missing final bracket",
         R"([{"id":"a","createdAt":1},{"id":"b","createdAt":2})",
         {u"b", u"a"}},
        {"unterminated second object",
         R"([{"id":"a","createdAt":1},{"id":"b","createdAt":2)",
         {u"a"}},
        {"unterminated string ends the list",
         R"([{"id":"a"},{"id":"b","title":"x},{"id":"c"}])",
         {u"a"}},
        {"objects inside a cut-off one are not entries", R"([{"id":"a","x":{"id":"b"})", {}},
        {"cut inside the first object", R"([{"id":"a","detail":"lo)", {}},
        {"no id", R"([{"title":"x","createdAt":3},{"id":"b"}])", {u"b"}},
        {"empty id", R"([{"id":"","createdAt":3},{"id":"b"}])", {u"b"}},
        {"id not a string", R"([{"id":12},{"id":null},{"id":"b"}])", {u"b"}},
        {"nested object is part of its parent", R"([{"id":"a","x":{"id":"b"}}])", {u"a"}},
        {"nested id found first", R"([{"x":{"id":"b"},"id":"a"}])", {u"b"}},
        // The id stands after the tricky string: an object ended too early has none.
        {"brace inside a string", R"([{"detail":"a } b","id":"a"},{"id":"b"}])", {u"a", u"b"}},
        {"escaped quote and brace", R"([{"detail":"a \" } b","id":"a"},{"id":"b"}])", {u"a", u"b"}},
        {"odd backslashes before a quote",
         R"([{"detail":"x\\\"}","id":"a"},{"id":"b"}])",
         {u"a", u"b"}},
        {"escaped backslash before a quote",
         R"([{"detail":"c:\\","id":"a"},{"id":"b"}])",
         {u"a", u"b"}},
        {"opening braces inside a string",
         R"([{"detail":"{{{","id":"a"},{"id":"b"}])",
         {u"a", u"b"}},
        {"text between objects", R"(x{"id":"a"} junk ,, {"id":"b"}]]])", {u"a", u"b"}},
        {"stray closing brace", R"(}}{"id":"a"})", {u"a"}},
        {"not an array", R"({"id":"a"})", {u"a"}},
        {"white space and line breaks",
         "[\n  { \"id\" : \"a\" } ,\r\n  {\"id\":\"b\"}\n]\n",
         {u"a", u"b"}},
        {"other email kept", R"([{"id":"a","email":"otra@x.es"}])", {u"a"}},
    };
    for (const auto& c : cases) {
        std::vector<WideText> ids;
        for (const HistoryEntry& entry : ParseHistory(c.text)) {
            ids.push_back(entry.id);
        }
        EXPECT_EQ(ids, c.ids) << c.name;
        ExpectListingMatches(c.text, c.name);
    }
}

struct FieldCase {
    const char* name;
    Utf8Text text;
    WideText title;
    WideText detail;
};

TEST(ParseHistoryTest, TakesTheFirstStringOfEachKey) {
    const FieldCase cases[] = {
        {"plain", R"({"id":"a","title":"t","detail":"d"})", u"t", u"d"},
        {"first occurrence", R"({"id":"a","title":"t1","title":"t2"})", u"t1", u""},
        {"nested first", R"({"id":"a","x":{"title":"n"},"title":"t"})", u"n", u""},
        {"key word as a value", R"({"id":"a","type":"title","title":"t"})", u"t", u""},
        {"escapes", R"({"id":"a","detail":"l\u00ednea\n\"x\"\t\/"})", u"", u"línea\n\"x\"\t/"},
        {"bad utf-8", "{\"id\":\"a\",\"title\":\"\xC3(\"}", u"\uFFFD(", u""},
    };
    for (const auto& c : cases) {
        const std::vector<HistoryEntry> entries = ParseHistory(c.text);
        ASSERT_EQ(entries.size(), 1u) << c.name;
        EXPECT_EQ(entries[0].title, c.title) << c.name;
        EXPECT_EQ(entries[0].detail, c.detail) << c.name;
        ExpectListingMatches(c.text, c.name);
    }
}

struct CreatedAtCase {
    const char* name;
    Utf8Text object;
    std::int64_t createdAt;
};

TEST(ParseHistoryTest, ReadsCreatedAtAsNumberOrString) {
    const CreatedAtCase cases[] = {
        {"number", R"({"id":"a","createdAt":1700000000123})", 1700000000123},
        {"spaced", R"({"id":"a","createdAt": 42})", 42},
        {"spaced colon", "{\"id\":\"a\",\"createdAt\" \n: 42}", 42},
        {"negative", R"({"id":"a","createdAt":-5})", -5},
        {"string", R"({"id":"a","createdAt":"1700"})", 1700},
        {"string with tail", R"({"id":"a","createdAt":" 17x"})", 17},
        {"empty string", R"({"id":"a","createdAt":""})", 0},
        {"missing", R"({"id":"a"})", 0},
        {"null", R"({"id":"a","createdAt":null})", 0},
        {"first key wins", R"({"id":"a","createdAt":1,"createdAt":2})", 1},
        {"nested first", R"({"id":"a","x":{"createdAt":3},"createdAt":4})", 3},
        {"nothing after the colon", R"({"id":"a","createdAt":})", 0},
    };
    for (const auto& c : cases) {
        const std::vector<HistoryEntry> entries = ParseHistory(c.object);
        ASSERT_EQ(entries.size(), 1u) << c.name;
        EXPECT_EQ(entries[0].createdAt, c.createdAt) << c.name;
    }
}

// A field whose text is the word createdAt stands in front of the key itself; the time must
// still come from the key.
TEST(ParseHistoryTest, ReadsTheTimeFromTheKeyNotFromAnEarlierValueOfTheSameWord) {
    const CreatedAtCase cases[] = {
        {"title", R"({"id":"a","title":"createdAt","preview":"p","createdAt":1700000000123})",
         1700000000123},
        {"title before a spaced key",
         R"({"id":"a","title":"createdAt","preview":"x","createdAt" : -12})", -12},
        {"every text",
         R"({"id":"a","email":"createdAt","type":"createdAt","title":"createdAt",)"
         R"("preview":"createdAt","detail":"createdAt","createdAt":99})",
         99},
        {"value only, no key", R"({"id":"a","title":"createdAt","preview":"5"})", 0},
    };
    for (const auto& c : cases) {
        const std::vector<HistoryEntry> entries = ParseHistory(c.object);
        ASSERT_EQ(entries.size(), 1u) << c.name;
        EXPECT_EQ(entries[0].createdAt, c.createdAt) << c.name;
    }
}

TEST(ParseHistoryTest, PutsTheNewestFirst) {
    const Utf8Text text =
        R"([{"id":"none"},{"id":"old","createdAt":5},{"id":"neg","createdAt":-1},)"
        R"({"id":"new","createdAt":"9"},{"id":"max","createdAt":9223372036854775807},)"
        R"({"id":"old2","createdAt":5},{"id":"min","createdAt":-9223372036854775808}])";

    std::vector<WideText> ids;
    for (const HistoryEntry& entry : ParseHistory(text)) {
        ids.push_back(entry.id);
    }

    // Equal times keep the file's order.
    EXPECT_EQ(ids,
              (std::vector<WideText>{u"max", u"new", u"old", u"old2", u"none", u"neg", u"min"}));
}

struct IntegerCase {
    Utf8Text text;
    std::int64_t value;
};

TEST(ReadLeadingIntegerTest, ReadsLikeAtoll) {
    const IntegerCase cases[] = {
        {"", 0},
        {"42", 42},
        {"+42", 42},
        {"-42", -42},
        {" \t\n\v\f\r7", 7},
        {"007", 7},
        {"12abc", 12},
        {"- 1", 0},
        {"+-1", 0},
        {"\xC2\xA0"
         "5",
         0},  // a no-break space is not white space here
        {"\0"
         "5"s,
         0},
        {"9223372036854775807", kMax},
        {"9223372036854775808", kMax},
        {"-9223372036854775807", kMin + 1},
        {"-9223372036854775808", kMin},
        {"-9223372036854775809", kMin},
        {"000000000000000000000000000001", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadLeadingInteger(c.text), c.value) << c.text;
    }
}

}  // namespace
}  // namespace alvena
