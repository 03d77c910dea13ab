#pragma once

#include "protocol/https_transport.h"
#include "protocol/proxy_choice.h"

namespace alvena {

struct WinHttpFunctions;

// The proxy plan for one request to `target`, from the user's Internet settings as they stand:
// a script (found by the search, or at the address given) is asked about
// "https://<host>[:port]<path>" within the target's time-outs; a search that finds nothing is
// remembered in `memo`. Settings that cannot be read count as none.
[[nodiscard]] ProxyPlan ResolveProxyPlan(const WinHttpFunctions& winhttp, const HttpTarget& target,
                                         WideView path, ProxyDetectionMemo& memo);

}  // namespace alvena
