#pragma once

#include <cstdint>
#include <string>

namespace alvena {

// One POST's reply: the status as a number (0 when it could not be read) and the body bytes
// exactly as received.
struct HttpResult {
    std::uint32_t status = 0;
    std::string body;
};

}  // namespace alvena
