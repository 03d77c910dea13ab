#include "protocol/proxy_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "protocol/proxy_choice.h"

namespace alvena {
namespace {

std::vector<WideText> Proxies(const std::vector<ProxyRoute>& routes) {
    std::vector<WideText> proxies;
    for (const ProxyRoute& route : routes) {
        proxies.push_back(route.proxy.empty() ? u"DIRECT" : route.proxy);
    }
    return proxies;
}

struct ListCase {
    const char* name;
    WideText list;
    std::vector<WideText> expected;  // for HTTPS; "DIRECT" for a direct route
};

TEST(ProxyListTest, RoutesForHttpsInTheListsOrder) {
    const ListCase cases[] = {
        {"empty", u"", {}},
        {"one with port", u"proxy.clinica.local:8080", {u"proxy.clinica.local:8080"}},
        {"port 80 when none", u"squid.clinica.local", {u"squid.clinica.local:80"}},
        {"url form", u"http://proxy:3128/", {u"proxy:3128"}},
        {"per scheme", u"http=a:80;https=b:8443;ftp=c:21", {u"b:8443"}},
        {"scheme without case", u"HTTPS=b:1", {u"b:1"}},
        {"only another scheme", u"http=a:80", {}},
        {"unscoped serve every scheme", u"http=a:80;c:3128", {u"c:3128"}},
        {"list in order", u"a:1; b:2 c:3", {u"a:1", u"b:2", u"c:3"}},
        {"script answer", u"a:8080;b:8080;DIRECT", {u"a:8080", u"b:8080", u"DIRECT"}},
        {"a host named like a keyword", u"proxy", {u"proxy:80"}},
        {"bad ports skipped", u"a:0;b:65536;c:8x;d:;e:65535", {u"e:65535"}},
        {"empty host skipped", u":8080;https=;https=:1", {}},
        {"bracketed v6", u"[fd00::1]:3128;[fd00::2]", {u"[fd00::1]:3128", u"[fd00::2]:80"}},
        {"stray separators", u";;\t a:1 ;\r\n", {u"a:1"}},
    };
    for (const ListCase& c : cases) {
        EXPECT_EQ(Proxies(ProxyRoutesFor(c.list, u"https")), c.expected) << c.name;
    }
}

struct BypassCase {
    const char* name;
    WideText bypass;
    WideText host;
    std::uint16_t port;
    bool bypassed;
};

TEST(ProxyListTest, BypassListsNameHostsByPatternLocalSchemeAndPort) {
    const BypassCase cases[] = {
        {"empty", u"", u"servicio.example", 443, false},
        {"exact", u"servicio.example", u"servicio.example", 443, true},
        {"case", u"SERVICIO.Example", u"servicio.example", 443, true},
        {"other host", u"otro.example", u"servicio.example", 443, false},
        {"suffix is not a match", u"example", u"servicio.example", 443, false},
        {"leading wildcard", u"*.example", u"servicio.example", 443, true},
        {"wildcard needs its dot", u"*.example", u"example", 443, false},
        {"inner wildcard", u"10.*.1", u"10.20.30.1", 443, true},
        {"lone star", u"*", u"servicio.example", 443, true},
        {"several stars", u"*ser*ce*", u"servicio.example", 443, false},
        {"several stars match", u"*ser*ic*", u"servicio.example", 443, true},
        {"in a list", u"a.example; b.example,servicio.example", u"servicio.example", 443, true},
        {"local plain name", u"<local>", u"intranet", 443, true},
        {"local dotted name", u"<LOCAL>", u"servicio.example", 443, false},
        {"local v6 literal", u"<local>", u"fd00::1", 443, false},
        {"scheme matches", u"https://servicio.example", u"servicio.example", 443, true},
        {"scheme differs", u"http://servicio.example", u"servicio.example", 443, false},
        {"port matches", u"servicio.example:443", u"servicio.example", 443, true},
        {"port differs", u"servicio.example:8443", u"servicio.example", 443, false},
        {"port only", u":443", u"servicio.example", 443, false},
    };
    for (const BypassCase& c : cases) {
        EXPECT_EQ(BypassesProxy(c.bypass, u"https", c.host, c.port), c.bypassed) << c.name;
    }
}

struct PlanCase {
    const char* name;
    UserProxySettings settings;
    ScriptAnswer script;
    bool machineSetting;
    std::vector<WideText> routes;
};

TEST(ProxyChoiceTest, ScriptThenFixedProxyThenMachineSetting) {
    using O = ScriptOutcome;
    const UserProxySettings fixed{false, u"", u"https=p:8080", u"<local>"};
    const UserProxySettings bypassing{false, u"", u"p:8080", u"*.example"};
    const UserProxySettings script{true, u"http://wpad/proxy.pac", u"", u""};
    const UserProxySettings scriptAndFixed{true, u"http://wpad/proxy.pac", u"p:8080", u""};
    const PlanCase cases[] = {
        {"nothing set", {}, {}, true, {}},
        {"fixed proxy", fixed, {}, false, {u"p:8080"}},
        {"fixed proxy bypassed", bypassing, {}, false, {u"DIRECT"}},
        {"fixed list with nothing for https",
         {false, u"", u"http=p:80", u""},
         {},
         false,
         {u"DIRECT"}},
        {"script names proxies", script, {O::Answered, u"a:1;b:2", u""}, false, {u"a:1", u"b:2"}},
        {"script answers direct", scriptAndFixed, {O::Answered, u"", u""}, false, {u"DIRECT"}},
        {"script bypass", script, {O::Answered, u"a:1", u"*.example"}, false, {u"DIRECT"}},
        {"script failed, fixed proxy", scriptAndFixed, {O::Failed, u"", u""}, false, {u"p:8080"}},
        {"script failed, nothing fixed", script, {O::Failed, u"", u""}, false, {u"DIRECT"}},
        {"nothing detected", {true, u"", u"", u""}, {O::NothingDetected, u"", u""}, true, {}},
        {"nothing detected, fixed proxy",
         {true, u"", u"p:1", u""},
         {O::NothingDetected, u"", u""},
         false,
         {u"p:1"}},
    };
    for (const PlanCase& c : cases) {
        const ProxyPlan plan = ChooseProxyPlan(c.settings, c.script, u"servicio.example", 443);
        EXPECT_EQ(plan.machineSetting, c.machineSetting) << c.name;
        EXPECT_EQ(Proxies(plan.routes), c.routes) << c.name;
    }
}

TEST(ProxyChoiceTest, ScriptIsAskedForUnlessTheSearchFoundNothingBefore) {
    EXPECT_FALSE(WantsProxyScript({}, false));
    EXPECT_FALSE(WantsProxyScript({false, u"", u"p:1", u""}, false));
    EXPECT_TRUE(WantsProxyScript({true, u"", u"", u""}, false));
    EXPECT_FALSE(WantsProxyScript({true, u"", u"", u""}, true));
    EXPECT_TRUE(WantsProxyScript({false, u"http://wpad/proxy.pac", u"", u""}, true));
}

}  // namespace
}  // namespace alvena
