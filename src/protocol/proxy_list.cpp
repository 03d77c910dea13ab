#include "protocol/proxy_list.h"

#include <string>

namespace alvena {
namespace {

constexpr std::uint16_t kDefaultProxyPort = 80;

[[nodiscard]] char16_t LowerAscii(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

[[nodiscard]] bool SameIgnoringCase(WideView a, WideView b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

[[nodiscard]] bool IsSeparator(char16_t unit, WideView separators) {
    return separators.find(unit) != WideView::npos;
}

// The non-empty entries of `list`, in order.
[[nodiscard]] std::vector<WideView> Entries(WideView list, WideView separators) {
    std::vector<WideView> entries;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= list.size(); ++i) {
        if (i == list.size() || IsSeparator(list[i], separators)) {
            if (i > start) {
                entries.push_back(list.substr(start, i - start));
            }
            start = i + 1;
        }
    }
    return entries;
}

// Removes a leading "scheme://" and returns the scheme, empty when there was none.
WideView TakeUrlScheme(WideView& entry) {
    const std::size_t mark = entry.find(u"://");
    if (mark == WideView::npos) {
        return {};
    }
    const WideView scheme = entry.substr(0, mark);
    entry.remove_prefix(mark + 3);
    return scheme;
}

// A decimal port from 1 to 65535; 0 when `digits` is not one.
[[nodiscard]] std::uint16_t ParsePort(WideView digits) {
    if (digits.empty() || digits.size() > 5) {
        return 0;
    }
    std::uint32_t value = 0;
    for (const char16_t unit : digits) {
        if (unit < u'0' || unit > u'9') {
            return 0;
        }
        value = value * 10 + static_cast<std::uint32_t>(unit - u'0');
    }
    return value <= 0xFFFF ? static_cast<std::uint16_t>(value) : 0;
}

struct HostPort {
    WideView host;
    bool hasPort = false;
    WideView port;  // digits as written
};

// "host[:port]", "[v6]:port" and a trailing '/' as in "http://proxy:8080/".
[[nodiscard]] HostPort SplitHostPort(WideView text) {
    if (!text.empty() && text.back() == u'/') {
        text.remove_suffix(1);
    }
    const std::size_t close = text.empty() || text.front() != u'[' ? 0 : text.find(u']');
    const std::size_t colon = text.rfind(u':');
    if (colon == WideView::npos || (close != 0 && (close == WideView::npos || colon < close))) {
        return {text, false, {}};
    }
    return {text.substr(0, colon), true, text.substr(colon + 1)};
}

[[nodiscard]] WideText ToText(WideView view) {
    return WideText(view.data(), view.size());
}

// '*' matches any run of characters; everything else one character, without regard to case.
[[nodiscard]] bool Matches(WideView pattern, WideView text) {
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t star = WideView::npos;
    std::size_t resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && LowerAscii(pattern[p]) == LowerAscii(text[t])) {
            ++p;
            ++t;
        } else if (star != WideView::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

[[nodiscard]] bool BypassEntryMatches(WideView entry, WideView scheme, WideView host,
                                      std::uint16_t port) {
    if (SameIgnoringCase(entry, u"<local>")) {
        return host.find(u'.') == WideView::npos && host.find(u':') == WideView::npos;
    }
    const WideView entryScheme = TakeUrlScheme(entry);
    if (!entryScheme.empty() && !SameIgnoringCase(entryScheme, scheme)) {
        return false;
    }
    const HostPort pattern = SplitHostPort(entry);
    if (pattern.hasPort && ParsePort(pattern.port) != port) {
        return false;
    }
    return !pattern.host.empty() && Matches(pattern.host, host);
}

}  // namespace

std::vector<ProxyRoute> ProxyRoutesFor(WideView list, WideView scheme) {
    std::vector<ProxyRoute> routes;
    for (WideView entry : Entries(list, u"; \t\r\n")) {
        if (SameIgnoringCase(entry, u"DIRECT")) {
            routes.push_back({});
            continue;
        }
        const std::size_t equals = entry.find(u'=');
        if (equals != WideView::npos) {
            if (!SameIgnoringCase(entry.substr(0, equals), scheme)) {
                continue;
            }
            entry.remove_prefix(equals + 1);
        }
        (void)TakeUrlScheme(entry);
        const HostPort proxy = SplitHostPort(entry);
        const std::uint16_t port = proxy.hasPort ? ParsePort(proxy.port) : kDefaultProxyPort;
        if (proxy.host.empty() || port == 0) {
            continue;
        }
        const std::string digits = std::to_string(port);
        routes.push_back({ToText(proxy.host) + u':' + WideText(digits.begin(), digits.end())});
    }
    return routes;
}

bool BypassesProxy(WideView bypass, WideView scheme, WideView host, std::uint16_t port) {
    for (const WideView entry : Entries(bypass, u";, \t\r\n")) {
        if (BypassEntryMatches(entry, scheme, host, port)) {
            return true;
        }
    }
    return false;
}

}  // namespace alvena
