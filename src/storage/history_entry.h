#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/wide_text.h"

namespace alvena {

// One saved consultation.
struct HistoryEntry {
    WideText id;     // text form of a UUID; never empty in a loaded list
    WideText email;  // email key of the user who consulted
    WideText type;   // "chat", "laboratorio" or "expediente"
    WideText title;
    WideText preview;
    WideText detail;
    std::int64_t createdAt = 0;  // milliseconds since 1970-01-01 00:00:00 UTC
};

// Limits, in UTF-16 code units and entries, that hold for entries made by a save. Entries read
// from a file are taken as they stand.
inline constexpr std::size_t kHistoryTitleLimit = 120;
inline constexpr std::size_t kHistoryPreviewLimit = 280;
inline constexpr std::size_t kHistoryDetailLimit = 12000;
inline constexpr std::size_t kHistoryEntryLimit = 200;

}  // namespace alvena
