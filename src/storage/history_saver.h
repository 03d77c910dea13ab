#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "protocol/wide_text.h"
#include "storage/file_system.h"
#include "storage/history_entry.h"

namespace alvena {

// Time as saves wait for it: a steady clock and a pause. The product sleeps; tests move a fake
// clock and never sleep.
class SaveClock {
  public:
    virtual ~SaveClock() = default;
    [[nodiscard]] virtual std::chrono::milliseconds Now() = 0;
    virtual void Pause(std::chrono::milliseconds length) = 0;
};

// How long a save keeps trying while the history, its lock or its rename is held by another
// program: long enough for a scanner or a backup agent to let go, and for another copy of the
// program to finish its own save.
inline constexpr std::chrono::milliseconds kSaveRetryTime{30000};
// How long closing the window waits for the saves under way.
inline constexpr std::chrono::milliseconds kCloseSaveWait{15000};

// The pause before try number `retry` + 1 of a held save: 10 ms, doubling up to a quarter second.
[[nodiscard]] std::chrono::milliseconds RetryPause(int retry);

// A finished consultation's entry, for the history of `entry.email` in `dataFolder`.
struct PendingEntry {
    WideText dataFolder;
    HistoryEntry entry;
};

// Writes `entries` (in the order their consultations finished) history by history, each
// history's entries in one save, newest first. A held save is tried again, with growing pauses,
// until kSaveRetryTime has passed since it was first refused or until the time `stopAt` gives
// (asked at each pause, as it may be brought forward); any other failure is not tried again.
// Gives back, in their order, the entries not written.
[[nodiscard]] std::vector<PendingEntry> WritePendingEntries(
    FileSystem& files, SaveClock& clock, std::vector<PendingEntry> entries,
    const std::function<std::chrono::milliseconds()>& stopAt);

// What the saver needs from the platform; tests pass their own.
struct SaverHooks {
    FileSystem* files = nullptr;
    SaveClock* clock = nullptr;
    // Runs `body` on a new thread; false when none could be started.
    std::function<bool(std::function<void()> body)> startThread;
    // Waits until the threads started, whose bodies have returned, have ended; none need be
    // given. The process then never ends under a thread that is still on its way out.
    std::function<void()> joinThreads;
};

// Saves finished consultations into their histories off the window thread, one save at a time,
// in the order the consultations finished. An entry that cannot be written stays pending and is
// written with the next save that succeeds, or at the last try when the saver finishes.
class HistorySaver {
  public:
    explicit HistorySaver(SaverHooks hooks);
    // Finishes.
    ~HistorySaver();
    HistorySaver(const HistorySaver&) = delete;
    HistorySaver& operator=(const HistorySaver&) = delete;

    // Hands an entry over and returns at once.
    void Add(WideText dataFolder, HistoryEntry entry);
    // Waits up to `limit` for the saves under way, cutting their retries short at that limit,
    // then tries once more to write what is still pending. Entries added afterwards are saved as
    // before.
    void Finish(std::chrono::milliseconds limit);
    // Entries handed over and not written yet, whether waiting or in a save under way.
    [[nodiscard]] std::size_t Unwritten() const;

  private:
    struct Shared;
    static void Drain(const std::shared_ptr<Shared>& shared);
    std::shared_ptr<Shared> shared_;
};

#ifdef _WIN32
// The real file system, a steady clock and a thread at a time, joined before the next one starts
// and when the saver finishes.
[[nodiscard]] SaverHooks SystemSaverHooks();
#endif

}  // namespace alvena
