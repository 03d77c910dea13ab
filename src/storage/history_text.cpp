#include "storage/history_text.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "protocol/json_text.h"
#include "protocol/utf8.h"

namespace alvena {
namespace {

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

// An entry found in a history text, its detail not yet read, and where its object stands.
struct FoundEntry {
    HistoryEntry entry;
    HistoryListing::Span object;
};

[[nodiscard]] WideText DetailOf(Utf8View object) {
    return WideValue(object, "detail");
}

// Every complete top-level object with a non-empty id, in the order they stand.
[[nodiscard]] std::vector<FoundEntry> FindEntriesInFileOrder(Utf8View text) {
    std::vector<FoundEntry> found;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '{') {
            ++i;
            continue;
        }
        const std::size_t end = FindJsonObjectEnd(text, i);
        if (end == kJsonNone) {
            break;  // an unterminated object and everything after it are not entries
        }
        const HistoryListing::Span span{i, end - i};
        const Utf8View object = text.substr(i, end - i);
        i = end;

        WideText id = WideValue(object, "id");
        if (id.empty()) {
            continue;
        }
        found.push_back({{std::move(id),
                          WideValue(object, "email"),
                          WideValue(object, "type"),
                          WideValue(object, "title"),
                          WideValue(object, "preview"),
                          {},
                          CreatedAt(object)},
                         span});
    }
    return found;
}

// The positions of `found` newest first; entries with equal times keep their order in the file.
[[nodiscard]] std::vector<std::size_t> NewestFirstOrder(const std::vector<FoundEntry>& found) {
    std::vector<std::size_t> order(found.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        order[k] = k;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return found[a].entry.createdAt > found[b].entry.createdAt;
    });
    return order;
}

// The positions are sorted rather than the entries: moving seven strings per step is slower, and
// its sorting code alone was a sixth of the program.
template <typename Item>
[[nodiscard]] std::vector<Item> Reordered(std::vector<Item> items,
                                          const std::vector<std::size_t>& order) {
    std::vector<Item> sorted;
    sorted.reserve(items.size());
    for (const std::size_t k : order) {
        sorted.push_back(std::move(items[k]));
    }
    return sorted;
}

[[nodiscard]] std::vector<FoundEntry> FindEntries(Utf8View text) {
    std::vector<FoundEntry> found = FindEntriesInFileOrder(text);
    const std::vector<std::size_t> order = NewestFirstOrder(found);
    return Reordered(std::move(found), order);
}

[[nodiscard]] std::vector<HistoryEntry> WithDetails(Utf8View text, std::vector<FoundEntry> found) {
    std::vector<HistoryEntry> entries;
    entries.reserve(found.size());
    for (FoundEntry& f : found) {
        f.entry.detail = DetailOf(text.substr(f.object.begin, f.object.size));
        entries.push_back(std::move(f.entry));
    }
    return entries;
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
    return WithDetails(text, FindEntries(text));
}

HistoryReading ReadHistoryForSave(Utf8View text) {
    std::vector<FoundEntry> found = FindEntriesInFileOrder(text);
    const std::vector<std::size_t> order = NewestFirstOrder(found);
    std::vector<HistoryEntry> inFileOrder = WithDetails(text, std::move(found));
    const bool ownForm = HistoryJson(inFileOrder) == text;
    return {Reordered(std::move(inFileOrder), order), ownForm};
}

HistoryListing ParseHistoryListing(Utf8Text text) {
    HistoryListing listing;
    listing.text = std::move(text);
    std::vector<FoundEntry> found = FindEntries(listing.text);
    listing.entries.reserve(found.size());
    listing.objects.reserve(found.size());
    for (FoundEntry& f : found) {
        listing.entries.push_back(std::move(f.entry));
        listing.objects.push_back(f.object);
    }
    return listing;
}

WideText ListedDetail(const HistoryListing& listing, std::size_t index) {
    if (index >= listing.objects.size()) {
        return {};
    }
    const HistoryListing::Span object = listing.objects[index];
    return DetailOf(Utf8View(listing.text).substr(object.begin, object.size));
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
