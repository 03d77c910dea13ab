#pragma once

#include <cstdint>
#include <string>

#include "protocol/https_transport.h"

namespace alvena {

// Drives the local stand-in of the consultation service from Windows tests: its ports come from
// the environment that the test scripts set, its control port speaks plain HTTP/1.0.
class StandinClient {
  public:
    // Reads STANDIN_PORT, STANDIN_UNTRUSTED_PORT, STANDIN_CONTROL_PORT and STANDIN_PROXY_PORT;
    // throws when one is missing.
    static StandinClient FromEnvironment();

    [[nodiscard]] HttpTarget Target(HttpTimeouts timeouts = {}) const;
    [[nodiscard]] HttpTarget UntrustedTarget(HttpTimeouts timeouts = {}) const;
    // The stand-in under a name no resolver knows: only its proxy reaches it.
    [[nodiscard]] HttpTarget ProxiedTarget(HttpTimeouts timeouts = {}) const;
    [[nodiscard]] std::uint16_t Port() const { return port_; }
    [[nodiscard]] std::uint16_t ProxyPort() const { return proxyPort_; }

    // Queues the reply to the next request, as a JSON object of the stand-in's script fields.
    void Script(const std::string& json) const;
    void Reset() const;
    [[nodiscard]] int RequestCount() const;
    // Raw head, raw body, path or verdict ("ok" or why it was refused) of request `index`.
    [[nodiscard]] std::string Request(const std::string& index, const std::string& part) const;

    // The proxy: "tunnel" or "basic407"; the script it serves at /proxy.pac; the request lines
    // it saw since the last Reset, one a line.
    void SetProxyMode(const std::string& mode) const;
    void ServeProxyScript(const std::string& script) const;
    [[nodiscard]] std::string ProxyLog() const;

  private:
    struct Reply {
        int status = 0;
        std::string body;
    };
    [[nodiscard]] Reply Exchange(const std::string& method, const std::string& path,
                                 const std::string& body) const;
    [[nodiscard]] std::string Expect200(const std::string& method, const std::string& path,
                                        const std::string& body) const;

    std::uint16_t port_ = 0;
    std::uint16_t untrustedPort_ = 0;
    std::uint16_t controlPort_ = 0;
    std::uint16_t proxyPort_ = 0;
};

// The host name under which only the stand-in's proxy reaches the stand-in.
inline constexpr char16_t kProxiedHost[] = u"servicio.alvena.test";

// A loopback port on which nothing listens (bound, then released).
[[nodiscard]] std::uint16_t ClosedLoopbackPort();

}  // namespace alvena
