#include "protocol/proxy_settings_win.h"

#include <windows.h>
#include <winhttp.h>

#include <cwchar>
#include <string>

#include "protocol/wide_text_win.h"
#include "protocol/winhttp_library_win.h"

namespace alvena {
namespace {

// Takes over a string WinHTTP allocated for the caller, and frees it.
[[nodiscard]] WideText TakeGlobalText(LPWSTR text) {
    if (text == nullptr) {
        return {};
    }
    WideText copy = FromWinText(text, std::wcslen(text));
    GlobalFree(text);
    return copy;
}

[[nodiscard]] UserProxySettings ReadUserSettings(const WinHttpFunctions& winhttp) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!winhttp.getIEProxyConfigForCurrentUser(&config)) {
        return {};
    }
    UserProxySettings settings;
    settings.autoDetect = config.fAutoDetect != FALSE;
    settings.scriptUrl = TakeGlobalText(config.lpszAutoConfigUrl);
    settings.proxy = TakeGlobalText(config.lpszProxy);
    settings.bypass = TakeGlobalText(config.lpszProxyBypass);
    return settings;
}

[[nodiscard]] WideText RequestUrl(const HttpTarget& target, WideView path) {
    WideText url = u"https://" + target.host;
    if (target.port != INTERNET_DEFAULT_HTTPS_PORT) {
        const std::string port = std::to_string(target.port);
        url += u':' + WideText(port.begin(), port.end());
    }
    return url.append(path);
}

// Asks WinHTTP to run the script found by the search (no address) or the one at `scriptUrl`.
[[nodiscard]] ScriptAnswer AskScript(const WinHttpFunctions& winhttp, HINTERNET session,
                                     const WideText& url, const WideText& scriptUrl) {
    WINHTTP_AUTOPROXY_OPTIONS options{};
    if (scriptUrl.empty()) {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = AsWinText(scriptUrl);
    }
    // A script behind the clinic's own authentication is fetched with the user's sign-in.
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info{};
    if (!winhttp.getProxyForUrl(session, AsWinText(url), &options, &info)) {
        return {scriptUrl.empty() && GetLastError() == ERROR_WINHTTP_AUTODETECTION_FAILED
                    ? ScriptOutcome::NothingDetected
                    : ScriptOutcome::Failed,
                {},
                {}};
    }
    ScriptAnswer answer{ScriptOutcome::Answered, TakeGlobalText(info.lpszProxy),
                        TakeGlobalText(info.lpszProxyBypass)};
    if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NO_PROXY) {
        answer.proxy.clear();
    }
    return answer;
}

// The search first, then the given address, as Windows orders them.
[[nodiscard]] ScriptAnswer AskScripts(const WinHttpFunctions& winhttp, const HttpTarget& target,
                                      WideView path, const UserProxySettings& settings,
                                      ProxyDetectionMemo& memo) {
    const InternetHandle session(
        winhttp, winhttp.open(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
        return {ScriptOutcome::Failed, {}, {}};
    }
    // Fetching the script is bounded like the request it serves.
    const HttpTimeouts& timeouts = target.timeouts;
    winhttp.setTimeouts(session.get(), timeouts.resolveMs, timeouts.connectMs, timeouts.sendMs,
                        timeouts.receiveMs);
    const WideText url = RequestUrl(target, path);
    ScriptAnswer answer;
    if (settings.autoDetect && !memo.nothingDetected.load()) {
        answer = AskScript(winhttp, session.get(), url, {});
        if (answer.outcome == ScriptOutcome::NothingDetected) {
            memo.nothingDetected.store(true);
        }
    }
    if (answer.outcome != ScriptOutcome::Answered && !settings.scriptUrl.empty()) {
        answer = AskScript(winhttp, session.get(), url, settings.scriptUrl);
    }
    return answer;
}

}  // namespace

ProxyPlan ResolveProxyPlan(const WinHttpFunctions& winhttp, const HttpTarget& target, WideView path,
                           ProxyDetectionMemo& memo) {
    const UserProxySettings settings = ReadUserSettings(winhttp);
    ScriptAnswer script;
    if (WantsProxyScript(settings, memo.nothingDetected.load())) {
        script = AskScripts(winhttp, target, path, settings, memo);
    }
    return ChooseProxyPlan(settings, script, target.host, target.port);
}

}  // namespace alvena
