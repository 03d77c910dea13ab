#include "storage/history_saver.h"

#include <algorithm>
#include <condition_variable>
#include <iterator>
#include <mutex>
#include <optional>
#include <utility>

#include "storage/history_store.h"

namespace alvena {

using std::chrono::milliseconds;

milliseconds RetryPause(int retry) {
    constexpr milliseconds kFirst{10};
    constexpr milliseconds kLongest{250};
    milliseconds pause = kFirst;
    for (int n = 1; n < retry && pause < kLongest; ++n) {
        pause *= 2;
    }
    return std::min(pause, kLongest);
}

namespace {

// Writes one history's entries, trying again while it is held. Whether they were written.
[[nodiscard]] bool WriteOneHistory(FileSystem& files, SaveClock& clock, const WideText& dataFolder,
                                   const WideText& email,
                                   const std::vector<HistoryEntry>& newestFirst,
                                   const std::function<milliseconds()>& stopAt) {
    std::optional<milliseconds> refusedSince;
    for (int retry = 1;; ++retry) {
        const FileFailure failure = WriteHistoryEntries(files, dataFolder, email, newestFirst);
        if (failure == FileFailure::kNone) {
            return true;
        }
        if (failure != FileFailure::kHeld) {
            return false;
        }
        const milliseconds now = clock.Now();
        if (!refusedSince) {
            refusedSince = now;
        }
        const milliseconds stop = std::min(*refusedSince + kSaveRetryTime, stopAt());
        if (now >= stop) {
            return false;
        }
        clock.Pause(std::min(RetryPause(retry), stop - now));
    }
}

}  // namespace

std::vector<PendingEntry> WritePendingEntries(FileSystem& files, SaveClock& clock,
                                              std::vector<PendingEntry> entries,
                                              const std::function<milliseconds()>& stopAt) {
    // Each history in the order of its first entry, with the indexes of its entries.
    std::vector<std::pair<WideText, std::vector<std::size_t>>> histories;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const WideText path = HistoryFilePath(entries[i].dataFolder, entries[i].entry.email);
        auto history = std::find_if(histories.begin(), histories.end(),
                                    [&](const auto& h) { return h.first == path; });
        if (history == histories.end()) {
            histories.push_back({path, {}});
            history = std::prev(histories.end());
        }
        history->second.push_back(i);
    }
    std::vector<bool> written(entries.size(), false);
    for (const auto& history : histories) {
        std::vector<HistoryEntry> newestFirst;
        for (auto i = history.second.rbegin(); i != history.second.rend(); ++i) {
            newestFirst.push_back(entries[*i].entry);
        }
        const PendingEntry& first = entries[history.second.front()];
        if (WriteOneHistory(files, clock, first.dataFolder, first.entry.email, newestFirst,
                            stopAt)) {
            for (std::size_t i : history.second) {
                written[i] = true;
            }
        }
    }
    std::vector<PendingEntry> left;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!written[i]) {
            left.push_back(std::move(entries[i]));
        }
    }
    return left;
}

struct HistorySaver::Shared {
    explicit Shared(SaverHooks h) : hooks(std::move(h)) {}

    SaverHooks hooks;
    mutable std::mutex guard;
    std::condition_variable idle;
    std::vector<PendingEntry> waiting;  // in the order their consultations finished
    std::size_t inSave = 0;             // entries taken by the save under way
    bool saving = false;                // a save (a drain or the last try) is under way
    milliseconds stopAt = milliseconds::max();

    [[nodiscard]] milliseconds StopAt() const {
        const std::lock_guard<std::mutex> lock(guard);
        return stopAt;
    }

    // Takes the waiting entries into a save; the caller has the guard and set `saving`.
    [[nodiscard]] std::vector<PendingEntry> TakeWaiting() {
        std::vector<PendingEntry> batch = std::move(waiting);
        waiting.clear();
        inSave = batch.size();
        return batch;
    }

    // Puts back what a save did not write, in front of what came meanwhile, which is newer.
    void PutBack(std::vector<PendingEntry> left) {
        waiting.insert(waiting.begin(), std::make_move_iterator(left.begin()),
                       std::make_move_iterator(left.end()));
        inSave = 0;
    }
};

HistorySaver::HistorySaver(SaverHooks hooks)
    : shared_(std::make_shared<Shared>(std::move(hooks))) {}

HistorySaver::~HistorySaver() {
    Finish(kCloseSaveWait);  // at once when nothing waits
}

void HistorySaver::Drain(const std::shared_ptr<Shared>& shared) {
    std::unique_lock<std::mutex> lock(shared->guard);
    while (!shared->waiting.empty()) {
        std::vector<PendingEntry> batch = shared->TakeWaiting();
        lock.unlock();
        std::vector<PendingEntry> left =
            WritePendingEntries(*shared->hooks.files, *shared->hooks.clock, std::move(batch),
                                [&shared] { return shared->StopAt(); });
        lock.lock();
        const bool newcomers = !shared->waiting.empty();
        shared->PutBack(std::move(left));
        if (!newcomers) {
            break;  // what is left waits for the next entry, or the last try
        }
    }
    shared->saving = false;
    shared->idle.notify_all();
}

void HistorySaver::Add(WideText dataFolder, HistoryEntry entry) {
    {
        const std::lock_guard<std::mutex> lock(shared_->guard);
        shared_->waiting.push_back({std::move(dataFolder), std::move(entry)});
        if (shared_->saving) {
            return;  // the save under way takes it next
        }
        shared_->saving = true;
    }
    bool started = false;
    try {
        started = shared_->hooks.startThread([shared = shared_] { Drain(shared); });
    } catch (...) {
        // No thread: the entry waits, as after a failed save.
    }
    if (!started) {
        const std::lock_guard<std::mutex> lock(shared_->guard);
        shared_->saving = false;
        shared_->idle.notify_all();
    }
}

void HistorySaver::Finish(milliseconds limit) {
    std::vector<PendingEntry> batch;
    {
        std::unique_lock<std::mutex> lock(shared_->guard);
        shared_->stopAt = shared_->hooks.clock->Now() + limit;
        if (!shared_->idle.wait_for(lock, limit, [this] { return !shared_->saving; })) {
            return;  // still saving: it stops trying at the limit, and the process may end first
        }
        shared_->saving = true;
        batch = shared_->TakeWaiting();
    }
    if (shared_->hooks.joinThreads) {
        shared_->hooks.joinThreads();
    }
    // The last try: one attempt for each history, no waiting.
    std::vector<PendingEntry> left =
        WritePendingEntries(*shared_->hooks.files, *shared_->hooks.clock, std::move(batch),
                            [] { return milliseconds::min(); });
    const std::lock_guard<std::mutex> lock(shared_->guard);
    shared_->PutBack(std::move(left));
    shared_->saving = false;
    shared_->stopAt = milliseconds::max();
    shared_->idle.notify_all();
}

std::size_t HistorySaver::Unwritten() const {
    const std::lock_guard<std::mutex> lock(shared_->guard);
    return shared_->waiting.size() + shared_->inSave;
}

}  // namespace alvena
