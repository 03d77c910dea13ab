#pragma once

#include <cstdint>
#include <functional>

#include "protocol/http_result.h"
#include "protocol/wide_text.h"

namespace alvena {

struct HttpTimeouts {
    int resolveMs = 20000;
    int connectMs = 20000;
    int sendMs = 90000;
    int receiveMs = 90000;
};

// Where a POST goes. The product only ever uses ServiceTarget(); tests aim at a stand-in.
struct HttpTarget {
    WideText host;
    std::uint16_t port = 443;
    HttpTimeouts timeouts;
};

// The consultation service, fixed when the program is built.
[[nodiscard]] HttpTarget ServiceTarget();

// The seam through which consultation requests reach the service; tests pass fakes.
using PostJsonFn = std::function<HttpResult(WideView path, Utf8View body)>;

// Messages of the runtime errors raised by the transport.
inline constexpr const char* kOpenFailed = "WinHttpOpen failed";
inline constexpr const char* kConnectFailed = "WinHttpConnect failed";
inline constexpr const char* kOpenRequestFailed = "WinHttpOpenRequest failed";
inline constexpr const char* kNetworkError = "Error de red al consultar el servidor";

#ifdef _WIN32
struct WinHttpFunctions;

// Blocking HTTPS POST of a UTF-8 JSON body. Returns every reply that arrived, whatever its
// status; raises std::runtime_error with one of the messages above when none did.
[[nodiscard]] HttpResult PostJsonTo(const HttpTarget& target, WideView path, Utf8View body);
// The same through the given WinHTTP functions; without them it raises kOpenFailed.
[[nodiscard]] HttpResult PostJsonTo(const HttpTarget& target, WideView path, Utf8View body,
                                    const WinHttpFunctions* winhttp);
[[nodiscard]] HttpResult PostJson(WideView path, Utf8View body);
#endif

}  // namespace alvena
