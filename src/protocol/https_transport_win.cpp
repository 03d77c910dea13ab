#include <windows.h>
#include <winhttp.h>

#include <stdexcept>
#include <vector>

#include "protocol/https_transport.h"
#include "protocol/wide_text_win.h"
#include "protocol/winhttp_library_win.h"

namespace alvena {
namespace {

constexpr const wchar_t* kUserAgent = L"Alvena-Windows/1.0";
constexpr const wchar_t* kAddedHeaders =
    L"Content-Type: application/json; charset=utf-8\r\nAccept: application/json\r\n";

// Owns one WinHTTP handle. Declared session, connection, request, so that leaving a scope closes
// them in the order request, connection, session.
class InternetHandle {
  public:
    InternetHandle(const WinHttpFunctions& winhttp, HINTERNET handle)
        : close_(winhttp.closeHandle), handle_(handle) {}
    ~InternetHandle() {
        if (handle_ != nullptr) {
            close_(handle_);
        }
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    [[nodiscard]] HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    decltype(&WinHttpCloseHandle) close_;
    HINTERNET handle_;
};

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

// Reads up to `available` bytes into a zero-filled buffer of that size, released on return so
// that only one chunk is held at a time.
[[nodiscard]] bool AppendChunk(const WinHttpFunctions& winhttp, HINTERNET request, DWORD available,
                               std::string& body) {
    std::vector<char> chunk(available, '\0');
    DWORD read = 0;
    if (!winhttp.readData(request, chunk.data(), available, &read) || read == 0) {
        return false;
    }
    body.append(chunk.data(), read);
    return true;
}

// Gathers the body chunk by chunk, as large as each chunk the platform has ready. A failure
// part-way keeps what arrived so far: a broken connection is not an error here.
[[nodiscard]] std::string ReadBody(const WinHttpFunctions& winhttp, HINTERNET request) {
    std::string body;
    DWORD available = 0;
    if (!winhttp.queryDataAvailable(request, &available)) {
        return body;
    }
    while (available != 0 && AppendChunk(winhttp, request, available, body)) {
        if (!winhttp.queryDataAvailable(request, &available)) {
            break;
        }
    }
    return body;
}

}  // namespace

HttpResult PostJsonTo(const HttpTarget& target, WideView path, Utf8View body,
                      const WinHttpFunctions* library) {
    // Without the library no session can be opened: the same failure, told the same way.
    if (library == nullptr) {
        throw std::runtime_error(kOpenFailed);
    }
    const WinHttpFunctions& winhttp = *library;
    InternetHandle session(
        winhttp, winhttp.open(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
        throw std::runtime_error(kOpenFailed);
    }
    InternetHandle connection(
        winhttp, winhttp.connect(session.get(), AsWinText(target.host), target.port, 0));
    if (!connection) {
        throw std::runtime_error(kConnectFailed);
    }
    const WideText pathText(path);
    InternetHandle request(
        winhttp,
        winhttp.openRequest(connection.get(), L"POST", AsWinText(pathText), nullptr,
                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
    if (!request) {
        throw std::runtime_error(kOpenRequestFailed);
    }
    SetTimeouts(winhttp, request.get(), target.timeouts);
    if (!SendAndAwaitHead(winhttp, request.get(), body)) {
        throw std::runtime_error(kNetworkError);
    }
    HttpResult result;
    result.status = QueryStatus(winhttp, request.get());
    result.body = ReadBody(winhttp, request.get());
    return result;
}

HttpResult PostJsonTo(const HttpTarget& target, WideView path, Utf8View body) {
    return PostJsonTo(target, path, body, WinHttp());
}

HttpResult PostJson(WideView path, Utf8View body) {
    return PostJsonTo(ServiceTarget(), path, body);
}

}  // namespace alvena
