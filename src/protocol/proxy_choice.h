#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "protocol/proxy_list.h"
#include "protocol/wide_text.h"

namespace alvena {

// The proxy part of a user's Internet settings, as Windows reports them.
struct UserProxySettings {
    bool autoDetect = false;  // look for a script on the network (WPAD)
    WideText scriptUrl;       // address of a proxy script, empty when none
    WideText proxy;           // fixed proxy list, empty when none
    WideText bypass;          // hosts the fixed proxy is not used for
};

// What asking for a proxy script gave.
enum class ScriptOutcome {
    NotAsked,         // the settings name no script and ask for no search
    Answered,         // the script named routes (none: go direct)
    NothingDetected,  // the search found no script and no address was given
    Failed,           // a script could not be fetched or run
};

struct ScriptAnswer {
    ScriptOutcome outcome = ScriptOutcome::NotAsked;
    WideText proxy;   // when Answered: the proxy list, empty for a direct connection
    WideText bypass;  // when Answered: a bypass list that came with it
};

// Where the requests of one consultation may go: the machine-wide setting, or the routes to try
// in order.
struct ProxyPlan {
    bool machineSetting = false;
    std::vector<ProxyRoute> routes;
};

// Whether the settings ask for any script at all; a search that found nothing before in this
// process is not made again.
[[nodiscard]] bool WantsProxyScript(const UserProxySettings& settings, bool nothingDetectedBefore);

// The plan for an HTTPS request to host:port. A script's answer wins; a script that failed falls
// back to the fixed proxy, else to a direct connection; with no script the fixed proxy applies,
// and with no fixed proxy either (or a search that found nothing) the machine-wide setting does.
[[nodiscard]] ProxyPlan ChooseProxyPlan(const UserProxySettings& settings,
                                        const ScriptAnswer& script, WideView host,
                                        std::uint16_t port);

// That the search for a script found nothing, remembered for the life of the process: on a
// network without one the search costs time, and its answer does not change between
// consultations.
struct ProxyDetectionMemo {
    std::atomic<bool> nothingDetected{false};
};

}  // namespace alvena
