#include "screens/consult_runner.h"

#include <exception>
#include <new>
#include <utility>

#include "protocol/utf8.h"

namespace alvena {

StartOutcome StartConsultJob(bool& busy, ConsultJob job, const RunnerHooks& hooks) {
    if (busy) {
        return StartOutcome::kBusy;
    }
    busy = true;
    bool started = false;
    try {
        started =
            hooks.startThread([job = std::move(job), hooks] { RunConsultWorker(job, hooks); });
    } catch (...) {
        // No memory for the thread's state is as final as no thread: either way nothing runs.
    }
    if (!started) {
        busy = false;
        return StartOutcome::kNoThread;
    }
    return StartOutcome::kStarted;
}

std::unique_ptr<ConsultResult> RunJobCatching(const ConsultJob& job) noexcept {
    std::unique_ptr<ConsultResult> record(new (std::nothrow) ConsultResult());
    if (record == nullptr) {
        return nullptr;
    }
    try {
        try {
            *record = job();
        } catch (const std::exception& error) {
            record->error = Utf8ToWide(error.what());
        } catch (...) {
            record->error = u"Error desconocido";
        }
    } catch (...) {
        return nullptr;  // no room for the error text either; the record is freed on the way
    }
    return record;
}

void RunConsultWorker(const ConsultJob& job, const RunnerHooks& hooks) {
    std::unique_ptr<ConsultResult> record = RunJobCatching(job);
    for (;;) {
        if (hooks.deliver(record.get())) {
            (void)record.release();  // the window thread owns it now
            return;
        }
        if (!hooks.targetAlive()) {
            return;  // nobody left to show it to; the record is freed here
        }
        hooks.pauseBeforeRetry();
    }
}

}  // namespace alvena
