// The transport's proxy handling against a fake WinHTTP: what no proxy of ours can make Wine
// show (a 407 reaches Wine's callers as a TLS failure, and it has no Negotiate or NTLM to offer).
#include <windows.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "protocol/https_transport.h"
#include "protocol/proxy_choice.h"
#include "protocol/winhttp_library_win.h"

namespace alvena {
namespace {

struct Credentials {
    DWORD target;
    DWORD scheme;
    bool withoutNameOrPassword;

    friend bool operator==(const Credentials& a, const Credentials& b) {
        return a.target == b.target && a.scheme == b.scheme &&
               a.withoutNameOrPassword == b.withoutNameOrPassword;
    }
};

// What the fake answers, and what it was asked. One at a time: the tests run in one thread.
struct FakeWinHttp {
    // The user's settings and the script's answer.
    bool autoDetect = false;
    std::wstring proxy;
    std::wstring scriptUrl;
    DWORD scriptError = 0;  // 0: the script answers scriptProxy
    std::wstring scriptProxy;
    // Per send, in order: the error it fails with (0: it succeeds), and the status then read.
    std::vector<DWORD> sendErrors;
    std::vector<DWORD> statuses;
    DWORD authSchemes = 0;
    DWORD authTarget = WINHTTP_AUTH_TARGET_PROXY;

    std::vector<std::wstring> routes;  // per connection: "machine", "direct" or the proxy
    int scriptQuestions = 0;
    int sends = 0;
    std::vector<Credentials> credentials;
    int openHandles = 0;

    std::map<HINTERNET, std::wstring> sessions;
    std::uintptr_t nextHandle = 0x1000;
};

FakeWinHttp* fake = nullptr;

HINTERNET NewHandle() {
    ++fake->openHandles;
    return reinterpret_cast<HINTERNET>(fake->nextHandle += 0x10);
}

LPWSTR GlobalCopy(const std::wstring& text) {
    if (text.empty()) {
        return nullptr;
    }
    auto* copy = static_cast<LPWSTR>(GlobalAlloc(GMEM_FIXED, (text.size() + 1) * sizeof(wchar_t)));
    std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    return copy;
}

HINTERNET WINAPI FakeOpen(LPCWSTR, DWORD access, LPCWSTR proxy, LPCWSTR, DWORD) {
    HINTERNET session = NewHandle();
    fake->sessions[session] = access == WINHTTP_ACCESS_TYPE_DEFAULT_PROXY ? L"machine"
                              : access == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? std::wstring(proxy)
                                                                          : L"direct";
    return session;
}
HINTERNET WINAPI FakeConnect(HINTERNET session, LPCWSTR, INTERNET_PORT, DWORD) {
    fake->routes.push_back(fake->sessions[session]);
    return NewHandle();
}
HINTERNET WINAPI FakeOpenRequest(HINTERNET, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR*, DWORD) {
    return NewHandle();
}
WINBOOL WINAPI FakeSetTimeouts(HINTERNET, int, int, int, int) {
    return TRUE;
}
WINBOOL WINAPI FakeSetOption(HINTERNET, DWORD, LPVOID, DWORD) {
    return TRUE;
}
WINBOOL WINAPI FakeSendRequest(HINTERNET, LPCWSTR, DWORD, LPVOID, DWORD, DWORD, DWORD_PTR) {
    const auto send = static_cast<std::size_t>(fake->sends++);
    const DWORD error = send < fake->sendErrors.size() ? fake->sendErrors[send] : 0;
    SetLastError(error);
    return error == 0;
}
WINBOOL WINAPI FakeReceiveResponse(HINTERNET, LPVOID) {
    return TRUE;
}
WINBOOL WINAPI FakeQueryHeaders(HINTERNET, DWORD, LPCWSTR, LPVOID buffer, LPDWORD, LPDWORD) {
    const auto send = static_cast<std::size_t>(fake->sends - 1);
    *static_cast<DWORD*>(buffer) = send < fake->statuses.size() ? fake->statuses[send] : 200;
    return TRUE;
}
WINBOOL WINAPI FakeQueryDataAvailable(HINTERNET, LPDWORD available) {
    *available = 0;
    return TRUE;
}
WINBOOL WINAPI FakeReadData(HINTERNET, LPVOID, DWORD, LPDWORD) {
    return FALSE;
}
WINBOOL WINAPI FakeCloseHandle(HINTERNET) {
    --fake->openHandles;
    return TRUE;
}
WINBOOL WINAPI FakeUserSettings(WINHTTP_CURRENT_USER_IE_PROXY_CONFIG* config) {
    config->fAutoDetect = fake->autoDetect ? TRUE : FALSE;
    config->lpszAutoConfigUrl = GlobalCopy(fake->scriptUrl);
    config->lpszProxy = GlobalCopy(fake->proxy);
    config->lpszProxyBypass = nullptr;
    return TRUE;
}
WINBOOL WINAPI FakeProxyForUrl(HINTERNET, LPCWSTR, WINHTTP_AUTOPROXY_OPTIONS* options,
                               WINHTTP_PROXY_INFO* info) {
    ++fake->scriptQuestions;
    EXPECT_TRUE(options->fAutoLogonIfChallenged);
    if (fake->scriptError != 0) {
        SetLastError(fake->scriptError);
        return FALSE;
    }
    info->dwAccessType =
        fake->scriptProxy.empty() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    info->lpszProxy = GlobalCopy(fake->scriptProxy);
    info->lpszProxyBypass = nullptr;
    return TRUE;
}
WINBOOL WINAPI FakeQueryAuthSchemes(HINTERNET, LPDWORD supported, LPDWORD first, LPDWORD target) {
    *supported = fake->authSchemes;
    *first = fake->authSchemes;
    *target = fake->authTarget;
    return fake->authSchemes != 0;
}
WINBOOL WINAPI FakeSetCredentials(HINTERNET, DWORD target, DWORD scheme, LPCWSTR name,
                                  LPCWSTR password, LPVOID) {
    fake->credentials.push_back({target, scheme, name == nullptr && password == nullptr});
    return TRUE;
}

constexpr WinHttpFunctions kFakeFunctions{
    FakeOpen,
    FakeConnect,
    FakeOpenRequest,
    FakeSetTimeouts,
    FakeSetOption,
    FakeSendRequest,
    FakeReceiveResponse,
    FakeQueryHeaders,
    FakeQueryDataAvailable,
    FakeReadData,
    FakeCloseHandle,
    FakeUserSettings,
    FakeProxyForUrl,
    FakeQueryAuthSchemes,
    FakeSetCredentials,
};

// Posts once through the fake; the message of the error it raised, or "status N".
std::string Post(FakeWinHttp& state, ProxyDetectionMemo& memo) {
    fake = &state;
    std::string outcome;
    try {
        outcome =
            "status " + std::to_string(PostJsonTo({u"servicio.example", 443, {}}, u"/api/consultar",
                                                  "{}", &kFakeFunctions, memo)
                                           .status);
    } catch (const std::runtime_error& error) {
        outcome = error.what();
    }
    EXPECT_EQ(state.openHandles, 0) << "every handle closed";
    fake = nullptr;
    return outcome;
}

struct ChallengeCase {
    const char* name;
    DWORD schemes;
    DWORD target;
    std::vector<DWORD> statuses;
    std::string outcome;
    int sends;
    std::vector<Credentials> credentials;
};

TEST(ProxyAuthentication, ANegotiateOrNtlmChallengeIsAnsweredOnceWithTheUsersOwnSignIn) {
    constexpr DWORD kProxy = WINHTTP_AUTH_TARGET_PROXY;
    const ChallengeCase cases[] = {
        {"NTLM",
         WINHTTP_AUTH_SCHEME_NTLM,
         kProxy,
         {407, 200},
         "status 200",
         2,
         {{kProxy, WINHTTP_AUTH_SCHEME_NTLM, true}}},
        {"Negotiate first",
         WINHTTP_AUTH_SCHEME_BASIC | WINHTTP_AUTH_SCHEME_NTLM | WINHTTP_AUTH_SCHEME_NEGOTIATE,
         kProxy,
         {407, 200},
         "status 200",
         2,
         {{kProxy, WINHTTP_AUTH_SCHEME_NEGOTIATE, true}}},
        {"Basic only", WINHTTP_AUTH_SCHEME_BASIC, kProxy, {407}, kProxyRefused, 1, {}},
        {"asked twice",
         WINHTTP_AUTH_SCHEME_NTLM,
         kProxy,
         {407, 407},
         kProxyRefused,
         2,
         {{kProxy, WINHTTP_AUTH_SCHEME_NTLM, true}}},
        {"407 naming the server",
         WINHTTP_AUTH_SCHEME_NTLM,
         WINHTTP_AUTH_TARGET_SERVER,
         {407},
         kProxyRefused,
         1,
         {}},
        {"the server's own 401 is the caller's",
         WINHTTP_AUTH_SCHEME_NTLM,
         WINHTTP_AUTH_TARGET_SERVER,
         {401},
         "status 401",
         1,
         {}},
    };
    for (const ChallengeCase& c : cases) {
        FakeWinHttp state;
        state.authSchemes = c.schemes;
        state.authTarget = c.target;
        state.statuses = c.statuses;
        ProxyDetectionMemo memo;
        EXPECT_EQ(Post(state, memo), c.outcome) << c.name;
        EXPECT_EQ(state.sends, c.sends) << c.name;
        EXPECT_TRUE(state.credentials == c.credentials) << c.name;
    }
}

struct RouteCase {
    const char* name;
    bool autoDetect;
    std::wstring proxy;
    std::wstring scriptUrl;
    DWORD scriptError;
    std::wstring scriptProxy;
    std::vector<DWORD> sendErrors;
    std::string outcome;
    std::vector<std::wstring> routes;
    int scriptQuestions;
};

TEST(ProxyRoutes, SettingsScriptsAndProxiesThatCannotBeReached) {
    constexpr DWORD kDown = ERROR_WINHTTP_CANNOT_CONNECT;
    constexpr DWORD kUnknown = ERROR_WINHTTP_NAME_NOT_RESOLVED;
    constexpr DWORD kNoScript = ERROR_WINHTTP_AUTODETECTION_FAILED;
    const RouteCase cases[] = {
        {"next proxy when one is down",
         false,
         L"a:1;b:2;c:3",
         L"",
         0,
         L"",
         {kDown, kUnknown},
         "status 200",
         {L"a:1", L"b:2", L"c:3"},
         0},
        {"last proxy down",
         false,
         L"a:1;b:2",
         L"",
         0,
         L"",
         {kDown, kDown},
         kNetworkError,
         {L"a:1", L"b:2"},
         0},
        {"a time-out does not move on",
         false,
         L"a:1;b:2",
         L"",
         0,
         L"",
         {ERROR_WINHTTP_TIMEOUT},
         kNetworkError,
         {L"a:1"},
         0},
        {"search finds a script", true, L"", L"", 0, L"p:8080", {}, "status 200", {L"p:8080"}, 1},
        {"search finds nothing", true, L"", L"", kNoScript, L"", {}, "status 200", {L"machine"}, 1},
        {"search finds nothing, the address fails",
         true,
         L"",
         L"http://wpad/x.pac",
         kNoScript,
         L"",
         {},
         "status 200",
         {L"direct"},
         2},
    };
    for (const RouteCase& c : cases) {
        FakeWinHttp state;
        state.autoDetect = c.autoDetect;
        state.proxy = c.proxy;
        state.scriptUrl = c.scriptUrl;
        state.scriptError = c.scriptError;
        state.scriptProxy = c.scriptProxy;
        state.sendErrors = c.sendErrors;
        ProxyDetectionMemo memo;
        EXPECT_EQ(Post(state, memo), c.outcome) << c.name;
        EXPECT_EQ(state.routes, c.routes) << c.name;
        EXPECT_EQ(state.scriptQuestions, c.scriptQuestions) << c.name;
    }
}

TEST(ProxyRoutes, ASearchThatFoundNothingIsNotMadeAgainInTheProcess) {
    FakeWinHttp state;
    state.autoDetect = true;
    state.scriptError = ERROR_WINHTTP_AUTODETECTION_FAILED;
    ProxyDetectionMemo memo;
    EXPECT_EQ(Post(state, memo), "status 200");
    EXPECT_EQ(Post(state, memo), "status 200");
    EXPECT_EQ(state.scriptQuestions, 1);
    EXPECT_EQ(state.routes, (std::vector<std::wstring>{L"machine", L"machine"}));
}

}  // namespace
}  // namespace alvena
