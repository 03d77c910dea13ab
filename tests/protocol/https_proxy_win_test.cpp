// The real WinHTTP transport behind the user's proxy settings, as this prefix's registry holds
// them, against the stand-in and its proxy.
#include "protocol/https_transport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/proxy_settings_win.h"
#include "tests/support/standin_client.h"

namespace alvena {
namespace {

class ProxiedTransport : public ::testing::Test {
  protected:
    void SetUp() override { standin_.Reset(); }

    [[nodiscard]] std::string Loopback(std::uint16_t port) const {
        return "127.0.0.1:" + std::to_string(port);
    }
    [[nodiscard]] std::string Proxy() const { return Loopback(standin_.ProxyPort()); }
    // WinHTTP keeps a script by its address for a while: each case asks for its own.
    [[nodiscard]] std::string ScriptUrl(std::uint16_t port, const std::string& query) const {
        return "http://" + Loopback(port) + "/proxy.pac?" + query;
    }
    [[nodiscard]] std::string Connect(const std::string& host) const {
        return "CONNECT " + host + ":" + std::to_string(standin_.Port()) + " HTTP/1.1";
    }

    const StandinClient standin_ = StandinClient::FromEnvironment();
    const std::uint16_t closedPort_ = ClosedLoopbackPort();
};

std::string Script(const std::string& answer) {
    return "function FindProxyForURL(url, host) { return \"" + answer + "\"; }";
}

struct RouteCase {
    const char* name;
    UserProxyRegistry user;
    std::string machineProxy;
    std::string script;  // served by the proxy when not empty
    bool proxiedTarget;  // the name only the proxy knows, else 127.0.0.1
    std::string log;     // the request lines the proxy saw
};

TEST_F(ProxiedTransport, RequestsTakeTheRouteTheSettingsGive) {
    const auto getScript = [](const std::string& query) {
        return "GET /proxy.pac?" + query + " HTTP/1.1";
    };
    const std::string tunnel = Connect("servicio.alvena.test");
    const RouteCase cases[] = {
        {"fixed proxy", {kProxyDirect | kProxyFixed, Proxy(), "", ""}, "", "", true, tunnel},
        {"per-scheme list",
         {kProxyFixed, "http=" + Loopback(closedPort_) + ";https=" + Proxy(), "", ""},
         "",
         "",
         true,
         tunnel},
        {"a proxy that is down, then the next",
         {kProxyFixed, Loopback(closedPort_) + ";" + Proxy(), "", ""},
         "",
         "",
         true,
         tunnel},
        {"script naming the proxy",
         {kProxyScript, "", "", ScriptUrl(standin_.ProxyPort(), "proxy")},
         "",
         Script("PROXY " + Proxy()),
         true,
         getScript("proxy") + "\n" + tunnel},
        {"script answering direct",
         {kProxyScript | kProxyFixed, Proxy(), "", ScriptUrl(standin_.ProxyPort(), "direct")},
         "",
         Script("DIRECT"),
         false,
         getScript("direct")},
        {"script out of reach beside a fixed proxy",
         {kProxyScript | kProxyFixed, Proxy(), "", ScriptUrl(closedPort_, "down")},
         "",
         "",
         true,
         tunnel},
        {"bypass list naming the host",
         {kProxyFixed, Proxy(), "*.example;127.0.0.1", ""},
         "",
         "",
         false,
         ""},
        {"machine setting alone", {kProxyDirect, "", "", ""}, Proxy(), "", true, tunnel},
        {"no setting anywhere", {kProxyDirect, "", "", ""}, "", "", false, ""},
    };
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(c.name);
        standin_.Reset();
        if (!c.script.empty()) {
            standin_.ServeProxyScript(c.script);
        }
        const ScopedProxySettings settings(c.user, c.machineProxy);
        const HttpTarget target = c.proxiedTarget ? standin_.ProxiedTarget() : standin_.Target();
        HttpResult result;
        try {
            result = PostJsonTo(target, u"/api/otra", "{}");
        } catch (const std::runtime_error& error) {
            ADD_FAILURE() << error.what();
            continue;
        }
        EXPECT_EQ(result.status, 404u);  // the stand-in's own answer to an unknown path
        EXPECT_EQ(standin_.RequestCount(), 1);
        EXPECT_EQ(standin_.ProxyLog(), c.log);
    }
}

TEST_F(ProxiedTransport, AProxyThatIsDownEndsInTheNetworkError) {
    const ScopedProxySettings settings({kProxyFixed, Loopback(closedPort_), "", ""});
    std::string failure = "(no error)";
    try {
        (void)PostJsonTo(standin_.ProxiedTarget(), u"/api/consultar", "{}");
    } catch (const std::runtime_error& error) {
        failure = error.what();
    }
    EXPECT_EQ(failure, kNetworkError);
    EXPECT_EQ(standin_.RequestCount(), 0);
}

}  // namespace
}  // namespace alvena
