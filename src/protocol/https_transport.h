#pragma once

#include <cstddef>
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
inline constexpr const char* kProxyRefused = "El proxy de la red rechazó la conexión";
inline constexpr const char* kReplyTooLarge = "La respuesta del servidor es demasiado grande";

// A reply body longer than this is refused: no answer of the service comes near it, and a broken
// server or a box in the way must not fill the memory, the transcript and the next question.
inline constexpr std::size_t kMaxReplyBytes = 1024 * 1024;

#ifdef _WIN32
struct WinHttpFunctions;
struct ProxyDetectionMemo;

// Blocking HTTPS POST of a UTF-8 JSON body, through the proxy the user's Internet settings give
// for the target (the machine-wide WinHTTP setting when they give none). Returns every reply
// that arrived, whatever its status; raises std::runtime_error with one of the messages above
// when none did, when the proxy refused the user, or when the body is over kMaxReplyBytes.
[[nodiscard]] HttpResult PostJsonTo(const HttpTarget& target, WideView path, Utf8View body);
// The same through the given WinHTTP functions; without them it raises kOpenFailed. The memo
// keeps what the search for a proxy script found (the process's own when none is given).
[[nodiscard]] HttpResult PostJsonTo(const HttpTarget& target, WideView path, Utf8View body,
                                    const WinHttpFunctions* winhttp);
[[nodiscard]] HttpResult PostJsonTo(const HttpTarget& target, WideView path, Utf8View body,
                                    const WinHttpFunctions* winhttp, ProxyDetectionMemo& memo);
[[nodiscard]] HttpResult PostJson(WideView path, Utf8View body);
#endif

}  // namespace alvena
