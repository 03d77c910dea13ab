#pragma once

#include <cstdint>

#include "protocol/wide_text.h"

namespace alvena {

// Where a new history entry gets its id and its time. The product uses the system's UUIDs and
// clock; tests pass fakes.
class EntryStamps {
  public:
    virtual ~EntryStamps() = default;

    // Text form of a new random UUID (36 lower-case characters), or empty text when none could
    // be made.
    [[nodiscard]] virtual WideText NewId() = 0;
    // The current time in whole milliseconds since 1970-01-01 00:00:00 UTC.
    [[nodiscard]] virtual std::int64_t NowUnixMs() = 0;
};

// Milliseconds since 1970 of a Windows file time (100-nanosecond ticks since 1601), rounded down.
[[nodiscard]] std::int64_t UnixMsFromFileTime(std::uint64_t ticks);

#ifdef _WIN32
// UuidCreate and the system clock; lives for the whole process.
[[nodiscard]] EntryStamps& SystemEntryStamps();
#endif

}  // namespace alvena
