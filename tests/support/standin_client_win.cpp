#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/support/standin_client.h"

#include <cstdlib>
#include <stdexcept>

namespace alvena {
namespace {

class WinsockSession {
  public:
    WinsockSession() {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
            throw std::runtime_error("WSAStartup failed");
        }
    }
    ~WinsockSession() { WSACleanup(); }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
};

class Socket {
  public:
    Socket() : socket_(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
        if (socket_ == INVALID_SOCKET) {
            throw std::runtime_error("socket failed");
        }
    }
    ~Socket() { closesocket(socket_); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    [[nodiscard]] SOCKET get() const { return socket_; }

  private:
    SOCKET socket_;
};

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

std::uint16_t PortFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || std::atoi(value) <= 0) {
        throw std::runtime_error(std::string(name) + " is not set: run under the test scripts");
    }
    return static_cast<std::uint16_t>(std::atoi(value));
}

}  // namespace

StandinClient StandinClient::FromEnvironment() {
    StandinClient client;
    client.port_ = PortFromEnvironment("STANDIN_PORT");
    client.untrustedPort_ = PortFromEnvironment("STANDIN_UNTRUSTED_PORT");
    client.controlPort_ = PortFromEnvironment("STANDIN_CONTROL_PORT");
    client.proxyPort_ = PortFromEnvironment("STANDIN_PROXY_PORT");
    return client;
}

HttpTarget StandinClient::Target(HttpTimeouts timeouts) const {
    return {u"127.0.0.1", port_, timeouts};
}

HttpTarget StandinClient::UntrustedTarget(HttpTimeouts timeouts) const {
    return {u"127.0.0.1", untrustedPort_, timeouts};
}

HttpTarget StandinClient::ProxiedTarget(HttpTimeouts timeouts) const {
    return {kProxiedHost, port_, timeouts};
}

void StandinClient::SetProxyMode(const std::string& mode) const {
    (void)Expect200("POST", "/proxy/mode", mode);
}

void StandinClient::ServeProxyScript(const std::string& script) const {
    (void)Expect200("POST", "/proxy/pac", script);
}

std::string StandinClient::ProxyLog() const {
    return Expect200("GET", "/proxy/log", "");
}

void StandinClient::Script(const std::string& json) const {
    (void)Expect200("POST", "/script", json);
}

void StandinClient::Reset() const {
    (void)Expect200("POST", "/reset", "");
}

int StandinClient::RequestCount() const {
    return std::atoi(Expect200("GET", "/requests/count", "").c_str());
}

std::string StandinClient::Request(const std::string& index, const std::string& part) const {
    return Expect200("GET", "/requests/" + index + "/" + part, "");
}

std::string StandinClient::Expect200(const std::string& method, const std::string& path,
                                     const std::string& body) const {
    Reply reply = Exchange(method, path, body);
    if (reply.status != 200) {
        throw std::runtime_error("stand-in control " + path + " answered " +
                                 std::to_string(reply.status) + ": " + reply.body);
    }
    return std::move(reply.body);
}

StandinClient::Reply StandinClient::Exchange(const std::string& method, const std::string& path,
                                             const std::string& body) const {
    const WinsockSession session;
    const Socket socket;
    const sockaddr_in address = Loopback(controlPort_);
    if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        throw std::runtime_error("cannot reach the stand-in's control port");
    }
    const std::string request = method + " " + path +
                                " HTTP/1.0\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\n\r\n" + body;
    for (std::size_t sent = 0; sent < request.size();) {
        const int n =
            send(socket.get(), request.data() + sent, static_cast<int>(request.size() - sent), 0);
        if (n <= 0) {
            throw std::runtime_error("send to the stand-in failed");
        }
        sent += static_cast<std::size_t>(n);
    }
    std::string raw;
    char buffer[4096];
    for (int n; (n = recv(socket.get(), buffer, sizeof(buffer), 0)) > 0;) {
        raw.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t headEnd = raw.find("\r\n\r\n");
    const std::size_t space = raw.find(' ');
    if (headEnd == std::string::npos || space == std::string::npos) {
        throw std::runtime_error("malformed reply from the stand-in's control port");
    }
    return {std::atoi(raw.c_str() + space + 1), raw.substr(headEnd + 4)};
}

std::uint16_t ClosedLoopbackPort() {
    const WinsockSession session;
    const Socket socket;
    sockaddr_in address = Loopback(0);
    int size = sizeof(address);
    if (bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        getsockname(socket.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error("cannot bind a loopback port");
    }
    return ntohs(address.sin_port);
}

}  // namespace alvena
