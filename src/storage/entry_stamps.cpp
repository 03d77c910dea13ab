#include "storage/entry_stamps.h"

#include <algorithm>
#include <limits>

namespace alvena {
namespace {

constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000;
constexpr std::int64_t kTicksPerMs = 10000;

}  // namespace

std::int64_t UnixMsFromFileTime(std::uint64_t ticks) {
    // Windows file times stop at 2^63 - 1 ticks; anything above is not a time.
    constexpr auto kLargest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const std::int64_t sinceEpoch =
        static_cast<std::int64_t>(std::min(ticks, kLargest)) - kTicksFrom1601To1970;
    std::int64_t ms = sinceEpoch / kTicksPerMs;
    if (sinceEpoch % kTicksPerMs < 0) {
        --ms;  // Division truncates towards zero; times before 1970 must round down too.
    }
    return ms;
}

}  // namespace alvena
