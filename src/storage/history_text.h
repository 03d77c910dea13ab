#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/wide_text.h"
#include "storage/history_entry.h"

namespace alvena {

// The content of a history file: the entries in the given order as one JSON array on one line,
// keys in fixed order, createdAt as a plain decimal number.
[[nodiscard]] Utf8Text HistoryJson(const std::vector<HistoryEntry>& entries);

// The entries of a history file's content, newest first. Forgiving: every complete top-level
// object with a non-empty id is an entry, whatever stands between or around the objects, and an
// unterminated object ends the list.
[[nodiscard]] std::vector<HistoryEntry> ParseHistory(Utf8View text);

// A history file's content as a save reads it: its entries as ParseHistory gives them, and
// whether the content is exactly what HistoryJson writes for those entries in the order they
// stand in it. Anything else (damage, other hands, bytes no entry holds) could lose bytes when
// the file is rewritten.
struct HistoryReading {
    std::vector<HistoryEntry> entries;
    bool ownForm = false;
};

[[nodiscard]] HistoryReading ReadHistoryForSave(Utf8View text);

// A history file's entries as a list shows them: every field but the detail is read at once, each
// detail only when asked for (ListedDetail). The details are nearly all of a full file, and a
// list shows one at a time.
struct HistoryListing {
    Utf8Text text;                      // the file's content
    std::vector<HistoryEntry> entries;  // as ParseHistory gives them, with empty details
    struct Span {
        std::size_t begin;
        std::size_t size;
    };
    std::vector<Span> objects;  // each entry's object in text
};

[[nodiscard]] HistoryListing ParseHistoryListing(Utf8Text text);

// The detail of entry `index` of the listing, as ParseHistory reads it; empty for no such entry.
[[nodiscard]] WideText ListedDetail(const HistoryListing& listing, std::size_t index);

// The number at the start of `text` as the C library's atoll reads it: white space, an optional
// sign, decimal digits up to the first other byte; 0 without digits, clamped to the 64-bit range.
[[nodiscard]] std::int64_t ReadLeadingInteger(Utf8View text);

}  // namespace alvena
