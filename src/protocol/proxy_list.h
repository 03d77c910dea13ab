#pragma once

#include <cstdint>
#include <vector>

#include "protocol/wide_text.h"

namespace alvena {

// One way out for a request: straight to its host when `proxy` is empty, otherwise through the
// proxy "host:port".
struct ProxyRoute {
    WideText proxy;

    friend bool operator==(const ProxyRoute& a, const ProxyRoute& b) { return a.proxy == b.proxy; }
};

// The routes a proxy list offers to requests of `scheme`, in the list's order. The list is the
// form Windows keeps and WinHTTP answers: entries apart by ';' or white space, each
// "[scheme=][scheme://]host[:port]" (port 80 when none), an entry for another scheme skipped, an
// entry for none serving every scheme, and "DIRECT" (as a script may answer) a direct route.
// Malformed entries are skipped.
[[nodiscard]] std::vector<ProxyRoute> ProxyRoutesFor(WideView list, WideView scheme);

// Whether a bypass list sends a request for host:port of `scheme` around the proxy. Entries
// apart by ';', ',' or white space, matched without regard to ASCII case: "<local>" for a host
// name without a dot, otherwise "[scheme://]pattern[:port]" where '*' stands for any run of
// characters.
[[nodiscard]] bool BypassesProxy(WideView bypass, WideView scheme, WideView host,
                                 std::uint16_t port);

}  // namespace alvena
