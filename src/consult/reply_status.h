#pragma once

#include <cstdint>

#include "protocol/http_result.h"
#include "protocol/wide_text.h"

namespace alvena {

// A reply is an answer exactly when its status is from 200 to 299.
[[nodiscard]] bool IsSuccessStatus(std::uint32_t status);

// "Error " + status, for requests that show nothing of the reply body.
[[nodiscard]] WideText StatusErrorText(std::uint32_t status);

// "Error " + status + ": " + the first 200 bytes of the body; a character cut at the limit
// becomes U+FFFD.
[[nodiscard]] WideText StatusErrorTextWithBody(const HttpResult& reply);

}  // namespace alvena
