#include "storage/history_saver.h"

#include <chrono>
#include <vector>

#include <gtest/gtest.h>

#include "storage/data_folder.h"
#include "storage/history_store.h"
#include "tests/storage/support/failing_file_system.h"
#include "tests/storage/support/fake_stamps.h"
#include "tests/storage/support/temp_file_system.h"

namespace alvena {
namespace {

using std::chrono::milliseconds;

// Time that moves only by the saver's own pauses.
class FakeClock final : public SaveClock {
  public:
    milliseconds Now() override { return now; }
    void Pause(milliseconds length) override {
        pauses.push_back(length);
        now += length;
    }

    milliseconds now{1000};
    std::vector<milliseconds> pauses;
};

[[nodiscard]] milliseconds Waited(const FakeClock& clock) {
    milliseconds total{0};
    for (milliseconds pause : clock.pauses) {
        total += pause;
    }
    return total;
}

class HistorySaverTest : public ::testing::Test {
  protected:
    [[nodiscard]] PendingEntry Entry(WideView title, WideView email = u"ana@x.es") {
        return {dataFolder, MakeHistoryEntry(stamps, email, u"chat", title, u"p", u"d")};
    }

    [[nodiscard]] std::vector<WideText> Titles(WideView email = u"ana@x.es") {
        std::vector<WideText> titles;
        for (const HistoryEntry& entry : LoadHistory(files, dataFolder, email)) {
            titles.push_back(entry.title);
        }
        return titles;
    }

    [[nodiscard]] SaverHooks Hooks(FileSystem& through, bool threads = true) {
        SaverHooks hooks;
        hooks.files = &through;
        hooks.clock = &clock;
        // The thread's body runs at once, so each Add has saved when it returns.
        hooks.startThread = [threads](std::function<void()> body) {
            if (threads) {
                body();
            }
            return threads;
        };
        return hooks;
    }

    TempFileSystem files;
    FakeStamps stamps;
    FakeClock clock;
    const WideText dataFolder = GetDataFolder(files);
};

TEST(RetryPauseTest, GrowsFromTenMillisecondsToAQuarterSecond) {
    const std::pair<int, int> cases[] = {{1, 10}, {2, 20}, {3, 40}, {5, 160}, {6, 250}, {400, 250}};
    for (const auto& [retry, ms] : cases) {
        EXPECT_EQ(RetryPause(retry), milliseconds(ms)) << retry;
    }
}

// What one save does when a step of it is refused: held ones are tried again for 30 seconds,
// anything else keeps the entry waiting at once, and only a written history changes the file.
TEST_F(HistorySaverTest, TriesAHeldSaveForThirtySecondsAndNothingElse) {
    struct Case {
        const char* name;
        WriteFault step;
        FileFailure failure;
        int times;  // refusals before the step passes; -1: all along
        bool written;
        milliseconds waited;  // at least
    };
    const Case cases[] = {
        {"a scanner holds the file", WriteFault::kRead, FileFailure::kHeld, 3, true,
         milliseconds(70)},
        {"a backup agent holds it all along", WriteFault::kRead, FileFailure::kHeld, -1, false,
         milliseconds(30000)},
        {"the rename is held", WriteFault::kMove, FileFailure::kHeld, 6, true, milliseconds(560)},
        {"another copy saves", WriteFault::kLock, FileFailure::kHeld, 2, true, milliseconds(30)},
        {"another copy keeps the lock", WriteFault::kLock, FileFailure::kHeld, -1, false,
         milliseconds(30000)},
        {"the redirected folder is gone", WriteFault::kRead, FileFailure::kUnavailable, -1, false,
         milliseconds(0)},
        {"the lock file cannot be made", WriteFault::kLock, FileFailure::kUnavailable, -1, false,
         milliseconds(0)},
        {"the disk is full", WriteFault::kWrite, FileFailure::kUnavailable, -1, false,
         milliseconds(0)},
    };
    for (const Case& c : cases) {
        TempFileSystem fresh;
        const WideText folder = GetDataFolder(fresh);
        FakeClock time;
        SaveHistoryEntry(fresh, stamps, folder, u"ana@x.es", u"chat", u"antes", u"p", u"d");
        const Utf8Text before = *fresh.ReadWholeFile(HistoryFilePath(folder, u"ana@x.es"));
        FailingFileSystem failing(fresh, c.step, c.failure, c.times);

        const std::vector<PendingEntry> left = WritePendingEntries(
            failing, time,
            {{folder, MakeHistoryEntry(stamps, u"ana@x.es", u"chat", u"nueva", u"p", u"d")}},
            [] { return milliseconds::max(); });

        EXPECT_EQ(left.empty(), c.written) << c.name;
        EXPECT_GE(Waited(time), c.waited) << c.name;
        EXPECT_EQ(time.pauses.empty(), c.failure != FileFailure::kHeld) << c.name;
        // Never much past the thirty seconds: the last pause ends at them.
        EXPECT_LE(Waited(time), milliseconds(30000)) << c.name;
        const Utf8Text after = *fresh.ReadWholeFile(HistoryFilePath(folder, u"ana@x.es"));
        EXPECT_EQ(after == before, !c.written) << c.name;
    }
}

// Closing cuts the retries short at its limit.
TEST_F(HistorySaverTest, StopsTryingAtTheTimeItIsGiven) {
    FailingFileSystem held(files, WriteFault::kLock);
    const milliseconds stop = clock.now + milliseconds(1500);

    const std::vector<PendingEntry> left =
        WritePendingEntries(held, clock, {Entry(u"uno")}, [stop] { return stop; });

    EXPECT_EQ(left.size(), 1u);
    EXPECT_EQ(clock.now, stop);
}

// Entries of two emails in one batch go to their own files, each history in one save.
TEST_F(HistorySaverTest, WritesEachHistoryWithItsOwnEntriesNewestFirst) {
    const std::vector<PendingEntry> left =
        WritePendingEntries(files, clock, {Entry(u"a1"), Entry(u"l1", u"luis@x.es"), Entry(u"a2")},
                            [] { return milliseconds::max(); });

    EXPECT_TRUE(left.empty());
    EXPECT_EQ(Titles(), (std::vector<WideText>{u"a2", u"a1"}));
    EXPECT_EQ(Titles(u"luis@x.es"), std::vector<WideText>{u"l1"});
}

// An entry that could not be written goes with the next save that succeeds, before the newer
// one and with the time it was made; the folder then holds the history and its lock only.
TEST_F(HistorySaverTest, APendingEntryGoesWithTheNextSaveThatSucceeds) {
    FailingFileSystem failing(files, WriteFault::kRead, FileFailure::kUnavailable, 1);
    HistorySaver saver(Hooks(failing));
    stamps.now = 1700000000111;
    saver.Add(dataFolder, Entry(u"primera").entry);
    EXPECT_EQ(saver.Unwritten(), 1u);
    EXPECT_TRUE(Titles().empty());

    stamps.now = 1700000000222;
    saver.Add(dataFolder, Entry(u"segunda").entry);

    EXPECT_EQ(saver.Unwritten(), 0u);
    const std::vector<HistoryEntry> saved = LoadHistory(files, dataFolder, u"ana@x.es");
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].title, u"segunda");
    EXPECT_EQ(saved[1].createdAt, 1700000000111);
    EXPECT_EQ(files.List(dataFolder + u"\\history"),
              (std::vector<WideText>{u"ana@x.es.json", u"ana@x.es.json.lock"}));
}

// Finishing tries once more, without waiting: a hold that has passed lets the entry through, one
// that has not keeps it unwritten.
TEST_F(HistorySaverTest, FinishingTriesOnceMoreWithoutWaiting) {
    for (const int refusals : {1, -1}) {
        TempFileSystem fresh;
        const WideText folder = GetDataFolder(fresh);
        FailingFileSystem failing(fresh, WriteFault::kRead, FileFailure::kUnavailable, refusals);
        FakeClock time;
        SaverHooks hooks = Hooks(failing);
        hooks.clock = &time;
        HistorySaver saver(hooks);
        saver.Add(folder, MakeHistoryEntry(stamps, u"ana@x.es", u"chat", u"t", u"p", u"d"));
        ASSERT_EQ(saver.Unwritten(), 1u);

        saver.Finish(kCloseSaveWait);

        EXPECT_EQ(saver.Unwritten(), refusals < 0 ? 1u : 0u) << refusals;
        EXPECT_EQ(failing.failed, refusals < 0 ? 2 : 1) << refusals;
        EXPECT_TRUE(time.pauses.empty()) << refusals;
    }
}

// No thread to be had: the entry waits and goes with the next one that gets a thread.
TEST_F(HistorySaverTest, AnEntryWithoutAThreadWaitsForTheNext) {
    bool threads = false;
    SaverHooks hooks = Hooks(files);
    hooks.startThread = [&threads](std::function<void()> body) {
        if (threads) {
            body();
        }
        return threads;
    };
    HistorySaver saver(hooks);
    saver.Add(dataFolder, Entry(u"uno").entry);
    EXPECT_EQ(saver.Unwritten(), 1u);

    threads = true;
    saver.Add(dataFolder, Entry(u"dos").entry);

    EXPECT_EQ(saver.Unwritten(), 0u);
    EXPECT_EQ(Titles(), (std::vector<WideText>{u"dos", u"uno"}));
}

}  // namespace
}  // namespace alvena
