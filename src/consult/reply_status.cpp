#include "consult/reply_status.h"

#include <algorithm>
#include <string>

#include "protocol/utf8.h"

namespace alvena {
namespace {

constexpr std::size_t kErrorBodyBytes = 200;

}  // namespace

bool IsSuccessStatus(std::uint32_t status) {
    return status - 200u <= 99u;
}

WideText StatusErrorText(std::uint32_t status) {
    return Utf8ToWide("Error " + std::to_string(status));
}

WideText StatusErrorTextWithBody(const HttpResult& reply) {
    const Utf8View start(reply.body.data(), std::min(reply.body.size(), kErrorBodyBytes));
    return StatusErrorText(reply.status) + u": " + Utf8ToWide(start);
}

}  // namespace alvena
