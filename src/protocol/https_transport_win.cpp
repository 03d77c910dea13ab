#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "protocol/https_transport.h"
#include "protocol/proxy_settings_win.h"
#include "protocol/wide_text_win.h"
#include "protocol/winhttp_library_win.h"

namespace alvena {
namespace {

constexpr const wchar_t* kAddedHeaders =
    L"Content-Type: application/json; charset=utf-8\r\nAccept: application/json\r\n";
constexpr DWORD kProxyAuthenticationRequired = 407;

void SetTimeouts(const WinHttpFunctions& winhttp, HINTERNET request, const HttpTimeouts& timeouts) {
    // Results not examined: a time-out that cannot be set leaves the platform default.
    winhttp.setTimeouts(request, timeouts.resolveMs, timeouts.connectMs, timeouts.sendMs,
                        timeouts.receiveMs);
    // Wine bounds the wait for the reply head only through this option. Windows' default for it
    // equals the receive time-out, so setting it to that value changes nothing there.
    DWORD receiveResponseMs = static_cast<DWORD>(timeouts.receiveMs);
    winhttp.setOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &receiveResponseMs,
                      sizeof(receiveResponseMs));
}

[[nodiscard]] bool SendAndAwaitHead(const WinHttpFunctions& winhttp, HINTERNET request,
                                    Utf8View body) {
    const auto length = static_cast<DWORD>(body.size());
    void* data = length == 0 ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
    if (!winhttp.sendRequest(request, kAddedHeaders, static_cast<DWORD>(-1), data, length, length,
                             0)) {
        return false;
    }
    return winhttp.receiveResponse(request, nullptr) != FALSE;
}

[[nodiscard]] std::uint32_t QueryStatus(const WinHttpFunctions& winhttp, HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    // Result not examined: a status that cannot be read stays 0.
    winhttp.queryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                         WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    return status;
}

// A proxy that asks who we are gets the signed-in user's own sign-in, through Negotiate or NTLM
// and never with a name or password of ours. False when it asks for anything else.
[[nodiscard]] bool AnswerProxyChallenge(const WinHttpFunctions& winhttp, HINTERNET request) {
    DWORD supported = 0;
    DWORD first = 0;
    DWORD target = 0;
    if (!winhttp.queryAuthSchemes(request, &supported, &first, &target) ||
        target != WINHTTP_AUTH_TARGET_PROXY) {
        return false;
    }
    const DWORD scheme = (supported & WINHTTP_AUTH_SCHEME_NEGOTIATE) != 0
                             ? WINHTTP_AUTH_SCHEME_NEGOTIATE
                         : (supported & WINHTTP_AUTH_SCHEME_NTLM) != 0 ? WINHTTP_AUTH_SCHEME_NTLM
                                                                       : 0;
    return scheme != 0 && winhttp.setCredentials(request, WINHTTP_AUTH_TARGET_PROXY, scheme,
                                                 nullptr, nullptr, nullptr) != FALSE;
}

// Reads up to `wanted` bytes into a zero-filled buffer of that size, released on return so that
// only one chunk is held at a time.
[[nodiscard]] bool AppendChunk(const WinHttpFunctions& winhttp, HINTERNET request, DWORD wanted,
                               std::string& body) {
    std::vector<char> chunk(wanted, '\0');
    DWORD read = 0;
    if (!winhttp.readData(request, chunk.data(), wanted, &read) || read == 0) {
        return false;
    }
    body.append(chunk.data(), read);
    return true;
}

// Gathers the body chunk by chunk, as large as each chunk the platform has ready, and never
// more than one byte past the limit: that byte is enough to refuse the reply. A failure part-way
// keeps what arrived so far: a broken connection is not an error here.
[[nodiscard]] std::string ReadBody(const WinHttpFunctions& winhttp, HINTERNET request) {
    std::string body;
    DWORD available = 0;
    if (!winhttp.queryDataAvailable(request, &available)) {
        return body;
    }
    while (available != 0) {
        const auto room = static_cast<DWORD>(kMaxReplyBytes + 1 - body.size());
        if (!AppendChunk(winhttp, request, std::min(available, room), body)) {
            break;
        }
        if (body.size() > kMaxReplyBytes) {
            throw std::runtime_error(kReplyTooLarge);  // the body goes with the stack
        }
        if (!winhttp.queryDataAvailable(request, &available)) {
            break;
        }
    }
    return body;
}

// The session of one route: the machine-wide setting, a direct connection, or one proxy.
[[nodiscard]] HINTERNET OpenSession(const WinHttpFunctions& winhttp, const ProxyPlan& plan,
                                    const ProxyRoute& route) {
    if (plan.machineSetting) {
        return winhttp.open(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                            WINHTTP_NO_PROXY_BYPASS, 0);
    }
    if (route.proxy.empty()) {
        return winhttp.open(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                            WINHTTP_NO_PROXY_BYPASS, 0);
    }
    return winhttp.open(kUserAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, AsWinText(route.proxy),
                        WINHTTP_NO_PROXY_BYPASS, 0);
}

// Whether a failed send means the proxy itself could not be reached, so the next one may serve.
[[nodiscard]] bool ProxyUnreachable(DWORD error) {
    return error == ERROR_WINHTTP_CANNOT_CONNECT || error == ERROR_WINHTTP_NAME_NOT_RESOLVED;
}

// The whole exchange along one route. Nothing when the route is a proxy that cannot be reached
// and `lastRoute` is false.
[[nodiscard]] std::optional<HttpResult> PostAlong(const WinHttpFunctions& winhttp,
                                                  const ProxyPlan& plan, const ProxyRoute& route,
                                                  bool lastRoute, const HttpTarget& target,
                                                  const WideText& path, Utf8View body) {
    const InternetHandle session(winhttp, OpenSession(winhttp, plan, route));
    if (!session) {
        throw std::runtime_error(kOpenFailed);
    }
    const InternetHandle connection(
        winhttp, winhttp.connect(session.get(), AsWinText(target.host), target.port, 0));
    if (!connection) {
        throw std::runtime_error(kConnectFailed);
    }
    const InternetHandle request(
        winhttp,
        winhttp.openRequest(connection.get(), L"POST", AsWinText(path), nullptr, WINHTTP_NO_REFERER,
                            WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
    if (!request) {
        throw std::runtime_error(kOpenRequestFailed);
    }
    SetTimeouts(winhttp, request.get(), target.timeouts);
    if (!SendAndAwaitHead(winhttp, request.get(), body)) {
        if (!lastRoute && !route.proxy.empty() && ProxyUnreachable(GetLastError())) {
            return std::nullopt;
        }
        throw std::runtime_error(kNetworkError);
    }
    HttpResult result;
    result.status = QueryStatus(winhttp, request.get());
    if (result.status == kProxyAuthenticationRequired) {
        // One answer, on the same request; a proxy that asks again refuses the user.
        if (!AnswerProxyChallenge(winhttp, request.get())) {
            throw std::runtime_error(kProxyRefused);
        }
        if (!SendAndAwaitHead(winhttp, request.get(), body)) {
            throw std::runtime_error(kNetworkError);
        }
        result.status = QueryStatus(winhttp, request.get());
        if (result.status == kProxyAuthenticationRequired) {
            throw std::runtime_error(kProxyRefused);
        }
    }
    result.body = ReadBody(winhttp, request.get());
    return result;
}

ProxyDetectionMemo& ProcessDetectionMemo() {
    static ProxyDetectionMemo memo;
    return memo;
}

}  // namespace

HttpResult PostJsonTo(const HttpTarget& target, WideView path, Utf8View body,
                      const WinHttpFunctions* library, ProxyDetectionMemo& memo) {
    // Without the library no session can be opened: the same failure, told the same way.
    if (library == nullptr) {
        throw std::runtime_error(kOpenFailed);
    }
    const WinHttpFunctions& winhttp = *library;
    const ProxyPlan plan = ResolveProxyPlan(winhttp, target, path, memo);
    const WideText pathText(path);
    if (plan.machineSetting) {
        return *PostAlong(winhttp, plan, {}, true, target, pathText, body);
    }
    // Each route is tried only when the one before could not be reached: one request in all.
    for (std::size_t i = 0; i < plan.routes.size(); ++i) {
        const bool last = i + 1 == plan.routes.size();
        if (std::optional<HttpResult> result =
                PostAlong(winhttp, plan, plan.routes[i], last, target, pathText, body)) {
            return std::move(*result);
        }
    }
    throw std::runtime_error(kNetworkError);  // unreachable: a plan has a route or the machine's
}

HttpResult PostJsonTo(const HttpTarget& target, WideView path, Utf8View body,
                      const WinHttpFunctions* winhttp) {
    return PostJsonTo(target, path, body, winhttp, ProcessDetectionMemo());
}

HttpResult PostJsonTo(const HttpTarget& target, WideView path, Utf8View body) {
    return PostJsonTo(target, path, body, WinHttp());
}

HttpResult PostJson(WideView path, Utf8View body) {
    return PostJsonTo(ServiceTarget(), path, body);
}

}  // namespace alvena
