#pragma once

#include <functional>
#include <memory>

#include "consult/consult_result.h"

namespace alvena {

// A consultation ready to run: owns copies of all its inputs, reads nothing shared, and may
// raise the transport's runtime errors.
using ConsultJob = std::function<ConsultResult()>;

// What the runner needs from the window system. The product passes Win32 calls; tests pass fakes.
struct RunnerHooks {
    // Runs `body` on a new detached thread; false or an exception when none could be started.
    std::function<bool(std::function<void()> body)> startThread;
    // Hands a finished record to the window thread (which then owns it); false when not taken.
    std::function<bool(ConsultResult* record)> deliver;
    // Whether the window that takes the records still exists, so a refused hand-over is retried.
    std::function<bool()> targetAlive;
    // Pause between two hand-over attempts.
    std::function<void()> pauseBeforeRetry;
};

enum class StartOutcome { kStarted, kBusy, kNoThread };

// Window thread: refuses while `busy`; otherwise sets it and starts the job on a worker thread.
// When no thread can be started, for whatever reason, `busy` is cleared again and kNoThread
// returned.
[[nodiscard]] StartOutcome StartConsultJob(bool& busy, ConsultJob job, const RunnerHooks& hooks);

// The job's own record, or an error record for what it raised: a standard exception gives its
// message, anything else "Error desconocido". Null when the heap has no room for the record or
// its error text: the worker has nobody to throw to.
[[nodiscard]] std::unique_ptr<ConsultResult> RunJobCatching(const ConsultJob& job) noexcept;

// Worker thread: runs the job and hands its record over, retrying while the window lives (a full
// message queue drains). Without memory for a record it hands over null, so the window still
// learns that the job is over. A record nobody took is freed here.
void RunConsultWorker(const ConsultJob& job, const RunnerHooks& hooks);

}  // namespace alvena
