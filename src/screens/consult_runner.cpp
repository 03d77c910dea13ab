#include "screens/consult_runner.h"

#include <exception>
#include <utility>

#include "protocol/utf8.h"

namespace alvena {

StartOutcome StartConsultJob(bool& busy, ConsultJob job, const RunnerHooks& hooks) {
    if (busy) {
        return StartOutcome::kBusy;
    }
    busy = true;
    const bool started =
        hooks.startThread([job = std::move(job), hooks] { RunConsultWorker(job, hooks); });
    if (!started) {
        busy = false;
        return StartOutcome::kNoThread;
    }
    return StartOutcome::kStarted;
}

std::unique_ptr<ConsultResult> RunJobCatching(const ConsultJob& job) {
    auto record = std::make_unique<ConsultResult>();
    try {
        *record = job();
    } catch (const std::exception& error) {
        *record = ConsultResult{};
        record->error = Utf8ToWide(error.what());
    } catch (...) {
        *record = ConsultResult{};
        record->error = u"Error desconocido";
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
