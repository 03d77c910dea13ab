#include "protocol/proxy_choice.h"

namespace alvena {
namespace {

constexpr WideView kScheme = u"https";

[[nodiscard]] ProxyPlan Direct() {
    return {false, {ProxyRoute{}}};
}

// Routes through `list` unless `bypass` names the host; a list with nothing for HTTPS leaves
// the request direct, as Windows does with "http=proxy:80".
[[nodiscard]] ProxyPlan Through(WideView list, WideView bypass, WideView host, std::uint16_t port) {
    if (BypassesProxy(bypass, kScheme, host, port)) {
        return Direct();
    }
    ProxyPlan plan{false, ProxyRoutesFor(list, kScheme)};
    if (plan.routes.empty()) {
        return Direct();
    }
    return plan;
}

}  // namespace

bool WantsProxyScript(const UserProxySettings& settings, bool nothingDetectedBefore) {
    return !settings.scriptUrl.empty() || (settings.autoDetect && !nothingDetectedBefore);
}

ProxyPlan ChooseProxyPlan(const UserProxySettings& settings, const ScriptAnswer& script,
                          WideView host, std::uint16_t port) {
    switch (script.outcome) {
        case ScriptOutcome::Answered:
            return Through(script.proxy, script.bypass, host, port);
        case ScriptOutcome::Failed:
            return settings.proxy.empty() ? Direct()
                                          : Through(settings.proxy, settings.bypass, host, port);
        case ScriptOutcome::NotAsked:
        case ScriptOutcome::NothingDetected:
            break;
    }
    if (settings.proxy.empty()) {
        return {true, {}};
    }
    return Through(settings.proxy, settings.bypass, host, port);
}

}  // namespace alvena
