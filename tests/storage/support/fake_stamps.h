#pragma once

#include <cstdint>
#include <string>

#include "storage/entry_stamps.h"

namespace alvena {

// Ids counted up in the UUID text form (…-000000000001, …-000000000002, …) and a clock that
// moves only when a test moves it.
class FakeStamps final : public EntryStamps {
  public:
    WideText NewId() override {
        if (!idsAvailable) {
            return {};
        }
        const std::string digits = std::to_string(++issued);
        const std::string id =
            "00000000-0000-4000-8000-" + std::string(12 - digits.size(), '0') + digits;
        return WideText(id.begin(), id.end());
    }
    std::int64_t NowUnixMs() override { return now; }

    std::int64_t now = 1700000000000;
    bool idsAvailable = true;
    int issued = 0;
};

}  // namespace alvena
