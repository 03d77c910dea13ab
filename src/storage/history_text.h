#pragma once

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

// The number at the start of `text` as the C library's atoll reads it: white space, an optional
// sign, decimal digits up to the first other byte; 0 without digits, clamped to the 64-bit range.
[[nodiscard]] std::int64_t ReadLeadingInteger(Utf8View text);

}  // namespace alvena
