#include "storage/entry_stamps.h"

#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

namespace alvena {
namespace {

constexpr std::uint64_t kUnixEpoch = 116444736000000000;

struct TimeCase {
    const char* name;
    std::uint64_t ticks;
    std::int64_t ms;
};

TEST(UnixMsFromFileTimeTest, CountsWholeMillisecondsFrom1970RoundingDown) {
    const TimeCase cases[] = {
        {"epoch", kUnixEpoch, 0},
        {"just under a millisecond", kUnixEpoch + 9999, 0},
        {"one millisecond", kUnixEpoch + 10000, 1},
        {"one tick before the epoch", kUnixEpoch - 1, -1},
        {"one millisecond before", kUnixEpoch - 10000, -1},
        {"just over a millisecond before", kUnixEpoch - 10001, -2},
        {"2024-01-01", kUnixEpoch + 17040672000000000, 1704067200000},
        {"2024-02-29 12:34:56.789", kUnixEpoch + 17092100967890000 + 5, 1709210096789},
        {"1601", 0, -11644473600000},
        {"last file time", std::numeric_limits<std::int64_t>::max(), 910692730085477},
        {"beyond file times", std::numeric_limits<std::uint64_t>::max(), 910692730085477},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UnixMsFromFileTime(c.ticks), c.ms) << c.name;
    }
}

}  // namespace
}  // namespace alvena
