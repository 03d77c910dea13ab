#pragma once

#include <windows.h>
#include <winhttp.h>

#include <optional>

namespace alvena {

// The user agent of every WinHTTP session the program opens.
inline constexpr const wchar_t* kUserAgent = L"Alvena-Windows/1.0";

// The WinHTTP functions the transport calls, bound at run time: the library is loaded at the
// first consultation instead of with the program, which most of a run never needs.
struct WinHttpFunctions {
    decltype(&WinHttpOpen) open;
    decltype(&WinHttpConnect) connect;
    decltype(&WinHttpOpenRequest) openRequest;
    decltype(&WinHttpSetTimeouts) setTimeouts;
    decltype(&WinHttpSetOption) setOption;
    decltype(&WinHttpSendRequest) sendRequest;
    decltype(&WinHttpReceiveResponse) receiveResponse;
    decltype(&WinHttpQueryHeaders) queryHeaders;
    decltype(&WinHttpQueryDataAvailable) queryDataAvailable;
    decltype(&WinHttpReadData) readData;
    decltype(&WinHttpCloseHandle) closeHandle;
    // The user's proxy settings, and the proxy answers of their scripts.
    decltype(&WinHttpGetIEProxyConfigForCurrentUser) getIEProxyConfigForCurrentUser;
    decltype(&WinHttpGetProxyForUrl) getProxyForUrl;
    // The answer to a proxy's question for the signed-in user.
    decltype(&WinHttpQueryAuthSchemes) queryAuthSchemes;
    decltype(&WinHttpSetCredentials) setCredentials;
};

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

// The system's winhttp.dll, loaded by the first call (from any thread) that can load it and kept
// for the rest of the run; null when it cannot be loaded, and the next call tries again.
[[nodiscard]] const WinHttpFunctions* WinHttp();

// Binds the functions of `library`, from the system folder only (LoadSystemLibrary); nothing when
// the library is not there or lacks one of them. A library that was bound stays loaded.
[[nodiscard]] std::optional<WinHttpFunctions> LoadWinHttp(const wchar_t* library);

}  // namespace alvena
