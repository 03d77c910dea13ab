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

}  // namespace

SaverHooks SystemSaverHooks() {
    static SteadySaveClock clock;
    SaverHooks hooks;
    hooks.files = &SystemFileSystem();
    hooks.clock = &clock;
    hooks.startThread = [](std::function<void()> body) {
        std::thread(std::move(body)).detach();
        return true;
    };
    return hooks;
}

}  // namespace alvena
