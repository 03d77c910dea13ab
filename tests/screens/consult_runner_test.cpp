#include "screens/consult_runner.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "tests/support/failing_allocation.h"

namespace alvena {
namespace {

// How starting a worker thread goes.
enum class ThreadStart { kStarts, kRefused, kNoMemory, kNoResources };

// Hooks that run the worker on a real thread and count what reaches the "window".
struct RecordingHooks {
    std::vector<std::unique_ptr<ConsultResult>> delivered;
    int refusalsLeft = 0;  // hand-overs to refuse before accepting
    bool windowAlive = true;
    int pauses = 0;
    ThreadStart threadStart = ThreadStart::kStarts;
    std::vector<std::thread> threads;

    RunnerHooks Hooks() {
        RunnerHooks hooks;
        hooks.startThread = [this](std::function<void()> body) {
            switch (threadStart) {
                case ThreadStart::kStarts:
                    break;
                case ThreadStart::kRefused:
                    return false;
                case ThreadStart::kNoMemory:
                    throw std::bad_alloc();
                case ThreadStart::kNoResources:
                    throw std::system_error(
                        std::make_error_code(std::errc::resource_unavailable_try_again));
            }
            threads.emplace_back(std::move(body));
            return true;
        };
        hooks.deliver = [this](ConsultResult* record) {
            if (refusalsLeft > 0) {
                --refusalsLeft;
                return false;
            }
            delivered.emplace_back(record);
            return true;
        };
        hooks.targetAlive = [this] { return windowAlive; };
        hooks.pauseBeforeRetry = [this] { ++pauses; };
        return hooks;
    }

    void JoinWorkers() {
        for (std::thread& thread : threads) {
            thread.join();
        }
        threads.clear();
    }
};

ConsultJob AnswerJob(const char16_t* text) {
    return [text] {
        ConsultResult result;
        result.ok = true;
        result.kind = u"chat";
        result.text = text;
        return result;
    };
}

TEST(ConsultRunner, StartedJobEndsInExactlyOneDeliveredResult) {
    RecordingHooks fake;
    bool busy = false;
    EXPECT_EQ(StartConsultJob(busy, AnswerJob(u"hola"), fake.Hooks()), StartOutcome::kStarted);
    EXPECT_TRUE(busy);
    fake.JoinWorkers();
    ASSERT_EQ(fake.delivered.size(), 1u);
    EXPECT_TRUE(fake.delivered[0]->ok);
    EXPECT_EQ(fake.delivered[0]->text, u"hola");
    // Only the window thread clears the flag, when it takes the result.
    EXPECT_TRUE(busy);
}

TEST(ConsultRunner, RefusesWhileBusyWithoutRunningTheJob) {
    RecordingHooks fake;
    bool busy = true;
    bool ran = false;
    const ConsultJob job = [&ran] {
        ran = true;
        return ConsultResult{};
    };
    EXPECT_EQ(StartConsultJob(busy, job, fake.Hooks()), StartOutcome::kBusy);
    EXPECT_TRUE(busy);
    EXPECT_TRUE(fake.threads.empty());
    EXPECT_FALSE(ran);
}

TEST(ConsultRunner, NoThreadLeavesTheRunnerIdle) {
    for (ThreadStart failure :
         {ThreadStart::kRefused, ThreadStart::kNoMemory, ThreadStart::kNoResources}) {
        RecordingHooks fake;
        fake.threadStart = failure;
        bool busy = false;
        EXPECT_EQ(StartConsultJob(busy, AnswerJob(u"x"), fake.Hooks()), StartOutcome::kNoThread);
        EXPECT_FALSE(busy);
        EXPECT_TRUE(fake.delivered.empty());
        // The next consultation starts normally.
        fake.threadStart = ThreadStart::kStarts;
        EXPECT_EQ(StartConsultJob(busy, AnswerJob(u"y"), fake.Hooks()), StartOutcome::kStarted);
        fake.JoinWorkers();
        EXPECT_EQ(fake.delivered.size(), 1u);
    }
}

TEST(ConsultRunner, FailuresBecomeErrorRecordsWithNothingElseSet) {
    const ConsultJob network = []() -> ConsultResult {
        throw std::runtime_error("Error de red al consultar el servidor");
    };
    const ConsultJob stranger = []() -> ConsultResult { throw 42; };
    const ConsultJob accented = []() -> ConsultResult {
        throw std::runtime_error("sin conexi\xc3\xb3n");
    };
    const struct {
        const ConsultJob& job;
        std::u16string error;
    } cases[] = {{network, u"Error de red al consultar el servidor"},
                 {stranger, u"Error desconocido"},
                 {accented, u"sin conexión"}};
    for (const auto& c : cases) {
        const std::unique_ptr<ConsultResult> record = RunJobCatching(c.job);
        EXPECT_FALSE(record->ok);
        EXPECT_EQ(record->error, c.error);
        EXPECT_TRUE(record->kind.empty() && record->title.empty() && record->text.empty() &&
                    record->input.empty());
    }
}

// With the heap exhausted on the worker there is no record, or no room for its error text: the
// worker must not end the process, and the window must still hear that the job is over. It gets
// an empty hand-over, and LeakSanitizer checks that the half-made record was freed.
TEST(ConsultRunner, NoMemoryOnTheWorkerHandsOverAnEmptyRecord) {
    const ConsultJob noRoomForTheMessage = []() -> ConsultResult {
        const std::runtime_error error("Error de red al consultar el servidor");
        FailNextAllocations(1);
        throw error;
    };
    const ConsultJob noRoomForTheUnknown = []() -> ConsultResult {
        FailNextAllocations(1);
        throw 42;
    };
    const struct {
        const char* name;
        ConsultJob job;
        bool noRoomForTheRecord;
    } cases[] = {{"record", AnswerJob(u"hola"), true},
                 {"message", noRoomForTheMessage, false},
                 {"unknown", noRoomForTheUnknown, false}};
    for (const auto& c : cases) {
        RecordingHooks fake;
        const RunnerHooks hooks = fake.Hooks();
        if (c.noRoomForTheRecord) {
            FailNextAllocations(1);
        }
        RunConsultWorker(c.job, hooks);
        ASSERT_EQ(fake.delivered.size(), 1u) << c.name;
        EXPECT_EQ(fake.delivered[0], nullptr) << c.name;
    }
}

TEST(ConsultRunner, RefusedHandOverIsRetriedWhileTheWindowLives) {
    RecordingHooks fake;
    fake.refusalsLeft = 3;
    RunConsultWorker(AnswerJob(u"tarde"), fake.Hooks());
    EXPECT_EQ(fake.pauses, 3);
    ASSERT_EQ(fake.delivered.size(), 1u);
    EXPECT_EQ(fake.delivered[0]->text, u"tarde");
}

TEST(ConsultRunner, RecordNobodyTookIsFreedWhenTheWindowIsGone) {
    // The record is released by the worker; LeakSanitizer fails this test run otherwise.
    RecordingHooks fake;
    fake.refusalsLeft = 1000;
    fake.windowAlive = false;
    RunConsultWorker(AnswerJob(u"perdido"), fake.Hooks());
    EXPECT_TRUE(fake.delivered.empty());
    EXPECT_EQ(fake.pauses, 0);
}

}  // namespace
}  // namespace alvena
