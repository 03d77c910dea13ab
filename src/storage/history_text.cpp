#include "storage/history_text.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "protocol/json_text.h"
#include "protocol/utf8.h"

namespace alvena {
namespace {

// Index just after the quote that closes the string whose content starts at `i`, or kJsonNone.
// A quote is escaped when an odd run of backslashes stands right in front of it.
[[nodiscard]] std::size_t SkipStringContent(Utf8View text, std::size_t i) {
    for (;;) {
        const std::size_t quote = text.find('"', i);
        if (quote == Utf8View::npos) {
            return kJsonNone;
        }
        std::size_t backslashes = 0;
        while (quote - backslashes > i && text[quote - backslashes - 1] == '\\') {
            ++backslashes;
        }
        if (backslashes % 2 == 0) {
            return quote + 1;
        }
        i = quote + 1;
    }
}

// Index of the brace that closes the object opening at `start`, or kJsonNone when the text ends
// first. Braces inside strings, escaped quotes included, do not count.
[[nodiscard]] std::size_t FindObjectEnd(Utf8View text, std::size_t start) {
    int depth = 0;
    std::size_t i = start;
    while (i < text.size()) {
        const char byte = text[i++];
        if (byte == '"') {
            i = SkipStringContent(text, i);
            if (i == kJsonNone) {
                return kJsonNone;
            }
        } else if (byte == '{') {
            ++depth;
        } else if (byte == '}' && --depth == 0) {
            return i - 1;
        }
    }
    return kJsonNone;
}

[[nodiscard]] WideText WideValue(Utf8View object, Utf8View key) {
    return Utf8ToWide(JsonGetString(object, key, ""));
}

// A string value is read for its leading number, anything else from right after the colon. Both
// follow the createdAt key itself: an earlier string value that happens to be the word createdAt
// is not a key and must not lend its position.
[[nodiscard]] std::int64_t CreatedAt(Utf8View object) {
    const std::size_t value = JsonFindValue(object, "createdAt");
    if (value == kJsonNone) {
        return 0;
    }
    const Utf8Text quoted = JsonReadString(object, value);
    return ReadLeadingInteger(quoted.empty() ? object.substr(value) : Utf8View(quoted));
}

void AppendField(Utf8Text& out, Utf8View prefix, const WideText& value) {
    out += prefix;
    out += JsonEscape(WideToUtf8(value));
}

}  // namespace

Utf8Text HistoryJson(const std::vector<HistoryEntry>& entries) {
    Utf8Text out;
    std::size_t estimate = 2;
    for (const HistoryEntry& entry : entries) {
        // Key fragments plus the texts at their UTF-8 size for Spanish; growth covers the rest.
        estimate += 120 + 2 * (entry.id.size() + entry.email.size() + entry.type.size() +
                               entry.title.size() + entry.preview.size() + entry.detail.size());
    }
    out.reserve(estimate);
    out += '[';
    for (const HistoryEntry& entry : entries) {
        if (&entry != &entries.front()) {
            out += ',';
        }
        AppendField(out, R"({"id":")", entry.id);
        AppendField(out, R"(","email":")", entry.email);
        AppendField(out, R"(","type":")", entry.type);
        AppendField(out, R"(","title":")", entry.title);
        AppendField(out, R"(","preview":")", entry.preview);
        AppendField(out, R"(","detail":")", entry.detail);
        out += R"(","createdAt":)";
        out += std::to_string(entry.createdAt);
        out += '}';
    }
    out += ']';
    return out;
}

std::vector<HistoryEntry> ParseHistory(Utf8View text) {
    std::vector<HistoryEntry> entries;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '{') {
            ++i;
            continue;
        }
        const std::size_t end = FindObjectEnd(text, i);
        if (end == kJsonNone) {
            break;
        }
        const Utf8View object = text.substr(i, end + 1 - i);
        i = end + 1;

        WideText id = WideValue(object, "id");
        if (id.empty()) {
            continue;
        }
        entries.push_back({std::move(id), WideValue(object, "email"), WideValue(object, "type"),
                           WideValue(object, "title"), WideValue(object, "preview"),
                           WideValue(object, "detail"), CreatedAt(object)});
    }
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const HistoryEntry& a, const HistoryEntry& b) { return a.createdAt > b.createdAt; });
    return entries;
}

std::int64_t ReadLeadingInteger(Utf8View text) {
    // The C library's white space in the C locale is the same six bytes as JSON's here.
    std::size_t i = SkipJsonWhiteSpace(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // The magnitude is kept unsigned and stops growing one past the largest positive value, which
    // is exactly the magnitude of the smallest negative one.
    constexpr std::uint64_t kLargest = std::numeric_limits<std::int64_t>::max();
    constexpr std::uint64_t kCap = kLargest + 1;
    std::uint64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - '0');
        magnitude = magnitude > (kCap - digit) / 10 ? kCap : magnitude * 10 + digit;
    }
    if (negative) {
        return magnitude == kCap ? std::numeric_limits<std::int64_t>::min()
                                 : -static_cast<std::int64_t>(magnitude);
    }
    return static_cast<std::int64_t>(std::min(magnitude, kLargest));
}

}  // namespace alvena
