#include <windows.h>
#include <winhttp.h>

#include <stdexcept>
#include <vector>

#include "protocol/https_transport.h"
#include "protocol/wide_text_win.h"

namespace alvena {
namespace {

constexpr const wchar_t* kUserAgent = L"Alvena-Windows/1.0";
constexpr const wchar_t* kAddedHeaders =
    L"Content-Type: application/json; charset=utf-8\r\nAccept: application/json\r\n";

// Owns one WinHTTP handle. Declared session, connection, request, so that leaving a scope closes
// them in the order request, connection, session.
class InternetHandle {
  public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() {
        if (handle_ != nullptr) {
            WinHttpCloseHandle(handle_);
        }
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    [[nodiscard]] HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    HINTERNET handle_;
};

void SetTimeouts(HINTERNET request, const HttpTimeouts& timeouts) {
    // Results not examined: a time-out that cannot be set leaves the platform default.
    WinHttpSetTimeouts(request, timeouts.resolveMs, timeouts.connectMs, timeouts.sendMs,
                       timeouts.receiveMs);
    // Wine bounds the wait for the reply head only through this option. Windows' default for it
    // equals the receive time-out, so setting it to that value changes nothing there.
    DWORD receiveResponseMs = static_cast<DWORD>(timeouts.receiveMs);
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &receiveResponseMs,
                     sizeof(receiveResponseMs));
}

[[nodiscard]] bool SendAndAwaitHead(HINTERNET request, Utf8View body) {
    const auto length = static_cast<DWORD>(body.size());
    void* data = length == 0 ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
    if (!WinHttpSendRequest(request, kAddedHeaders, static_cast<DWORD>(-1), data, length, length,
                            0)) {
        return false;
    }
    return WinHttpReceiveResponse(request, nullptr) != FALSE;
}

[[nodiscard]] std::uint32_t QueryStatus(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    // Result not examined: a status that cannot be read stays 0.
    WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    return status;
}

// Reads up to `available` bytes into a zero-filled buffer of that size, released on return so
// that only one chunk is held at a time.
[[nodiscard]] bool AppendChunk(HINTERNET request, DWORD available, std::string& body) {
    std::vector<char> chunk(available, '\0');
    DWORD read = 0;
    if (!WinHttpReadData(request, chunk.data(), available, &read) || read == 0) {
        return false;
    }
    body.append(chunk.data(), read);
    return true;
}

// Gathers the body chunk by chunk, as large as each chunk the platform has ready. A failure
// part-way keeps what arrived so far: a broken connection is not an error here.
[[nodiscard]] std::string ReadBody(HINTERNET request) {
    std::string body;
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) {
        return body;
    }
    while (available != 0 && AppendChunk(request, available, body)) {
        if (!WinHttpQueryDataAvailable(request, &available)) {
            break;
        }
    }
    return body;
}

}  // namespace

HttpResult PostJsonTo(const HttpTarget& target, WideView path, Utf8View body) {
    InternetHandle session(WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                       WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
        throw std::runtime_error(kOpenFailed);
    }
    InternetHandle connection(
        WinHttpConnect(session.get(), AsWinText(target.host), target.port, 0));
    if (!connection) {
        throw std::runtime_error(kConnectFailed);
    }
    const WideText pathText(path);
    InternetHandle request(WinHttpOpenRequest(connection.get(), L"POST", AsWinText(pathText),
                                              nullptr, WINHTTP_NO_REFERER,
                                              WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
    if (!request) {
        throw std::runtime_error(kOpenRequestFailed);
    }
    SetTimeouts(request.get(), target.timeouts);
    if (!SendAndAwaitHead(request.get(), body)) {
        throw std::runtime_error(kNetworkError);
    }
    HttpResult result;
    result.status = QueryStatus(request.get());
    result.body = ReadBody(request.get());
    return result;
}

HttpResult PostJson(WideView path, Utf8View body) {
    return PostJsonTo(ServiceTarget(), path, body);
}

}  // namespace alvena
