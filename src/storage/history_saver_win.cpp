#include <memory>
#include <mutex>
#include <thread>

#include "storage/history_saver.h"

namespace alvena {
namespace {

class SteadySaveClock final : public SaveClock {
  public:
    std::chrono::milliseconds Now() override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
    void Pause(std::chrono::milliseconds length) override { std::this_thread::sleep_for(length); }
};

// The saver's thread: one at a time, so the one before has done its work when the next starts,
// and joining it waits only for its end.
class ThreadSlot {
  public:
    ThreadSlot() = default;
    ~ThreadSlot() {
        // Still running only when a finish gave up waiting for it; it may be the thread that
        // lets go of the slot.
        if (thread_.joinable()) {
            thread_.detach();
        }
    }
    ThreadSlot(const ThreadSlot&) = delete;
    ThreadSlot& operator=(const ThreadSlot&) = delete;

    void Start(std::function<void()> body) {
        const std::lock_guard<std::mutex> lock(guard_);
        JoinLocked();
        thread_ = std::thread(std::move(body));
    }
    void Join() {
        const std::lock_guard<std::mutex> lock(guard_);
        JoinLocked();
    }

  private:
    void JoinLocked() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    std::mutex guard_;
    std::thread thread_;
};

}  // namespace

SaverHooks SystemSaverHooks() {
    static SteadySaveClock clock;
    auto slot = std::make_shared<ThreadSlot>();
    SaverHooks hooks;
    hooks.files = &SystemFileSystem();
    hooks.clock = &clock;
    hooks.startThread = [slot](std::function<void()> body) {
        slot->Start(std::move(body));
        return true;
    };
    hooks.joinThreads = [slot] { slot->Join(); };
    return hooks;
}

}  // namespace alvena
