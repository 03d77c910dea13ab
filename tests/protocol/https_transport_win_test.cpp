// The real WinHTTP transport against the local stand-in of the consultation service.
#include "protocol/https_transport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "consult/chat_request.h"
#include "tests/support/standin_client.h"

namespace alvena {
namespace {

class HttpsTransport : public ::testing::Test {
  protected:
    void SetUp() override { standin_.Reset(); }

    // Runs `post` and returns the message of the runtime error it raised.
    template <typename Post>
    static std::string FailureOf(Post post) {
        try {
            (void)post();
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "(no error)";
    }

    const StandinClient standin_ = StandinClient::FromEnvironment();
};

std::string Digits(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += static_cast<char>('0' + i % 10);
    }
    return text;
}

TEST_F(HttpsTransport, ErrorStatusesComeBackWithTheirBodyWithoutRaising) {
    standin_.Script(R"({"status":404,"body":"{\"error\":\"ruta desconocida\"}"})");
    const HttpResult result = PostJsonTo(standin_.Target(), u"/api/consultar", "{}");
    EXPECT_EQ(result.status, 404u);
    EXPECT_EQ(result.body, R"({"error":"ruta desconocida"})");
}

TEST_F(HttpsTransport, ReplyWithoutBodyGivesAnEmptyBody) {
    standin_.Script(R"({"status":200})");
    const HttpResult result = PostJsonTo(standin_.Target(), u"/api/consultar", "{}");
    EXPECT_EQ(result.status, 200u);
    EXPECT_EQ(result.body, "");
}

TEST_F(HttpsTransport, BodyInSeveralChunksComesBackWholeAndInOrder) {
    const std::string body = Digits(50000);
    standin_.Script(R"({"status":200,"chunks":5,"chunk_pause_ms":50,"body":")" + body + "\"}");
    const HttpResult result = PostJsonTo(standin_.Target(), u"/api/consultar", "{}");
    EXPECT_EQ(result.status, 200u);
    EXPECT_EQ(result.body, body);
}

TEST_F(HttpsTransport, ConnectionBrokenMidBodyKeepsTheBytesSoFar) {
    const std::string body = Digits(4000);
    standin_.Script(R"({"status":200,"close_after":1500,"body":")" + body + "\"}");
    const HttpResult result = PostJsonTo(standin_.Target(), u"/api/consultar", "{}");
    EXPECT_EQ(result.status, 200u);
    EXPECT_EQ(result.body, body.substr(0, 1500));
}

TEST_F(HttpsTransport, BodiesUpToOneMebibyteComeBackWholeAndLongerOnesAreRefused) {
    standin_.Script(R"({"status":200,"body_size":1048575})");
    EXPECT_EQ(PostJsonTo(standin_.Target(), u"/api/consultar", "{}").body.size(), 1048575u);
    standin_.Script(R"({"status":200,"body_size":1048576,"chunks":3})");
    EXPECT_EQ(PostJsonTo(standin_.Target(), u"/api/consultar", "{}").body.size(), kMaxReplyBytes);
    standin_.Script(R"({"status":200,"body_size":1048577})");
    EXPECT_EQ(FailureOf([&] { return PostJsonTo(standin_.Target(), u"/api/consultar", "{}"); }),
              kReplyTooLarge);
}

TEST_F(HttpsTransport, UnreachableServicesRaiseTheNetworkError) {
    const HttpTarget unresolvable{u"alvena-no-such-host.invalid", 443, {}};
    EXPECT_EQ(FailureOf([&] { return PostJsonTo(unresolvable, u"/api/consultar", "{}"); }),
              kNetworkError);

    const HttpTarget refused{u"127.0.0.1", ClosedLoopbackPort(), {}};
    EXPECT_EQ(FailureOf([&] { return PostJsonTo(refused, u"/api/consultar", "{}"); }),
              kNetworkError);
}

TEST_F(HttpsTransport, NoReplyHeadWithinTheReceiveTimeoutRaisesTheNetworkError) {
    // The stand-in would answer after 30 s; only the time-out can end the call with this error.
    standin_.Script(R"({"status":200,"delay_ms":30000,"body":"{}"})");
    HttpTimeouts timeouts;
    timeouts.receiveMs = 700;
    EXPECT_EQ(
        FailureOf([&] { return PostJsonTo(standin_.Target(timeouts), u"/api/consultar", "{}"); }),
        kNetworkError);
}

TEST_F(HttpsTransport, CertificateNotTrustedByTheMachineRaisesTheNetworkError) {
    EXPECT_EQ(
        FailureOf([&] { return PostJsonTo(standin_.UntrustedTarget(), u"/api/consultar", "{}"); }),
        kNetworkError);
}

TEST_F(HttpsTransport, RequestCarriesTheTwoAddedHeadersAndAByteCountedLength) {
    // 24 characters, 27 bytes in UTF-8.
    const std::string body =
        "{\"q\":\"Ni\xc3\xb1"
        "a con n\xc3\xa1useas\xc2\xbf\"}";
    standin_.Script(R"({"status":200,"body":"{}"})");
    (void)PostJsonTo(standin_.Target(), u"/api/consultar", body);

    EXPECT_EQ(standin_.Request("last", "body"), body);
    const std::string head = standin_.Request("last", "head");
    EXPECT_EQ(head.rfind("POST /api/consultar HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("\r\nContent-Type: application/json; charset=utf-8\r\n"), std::string::npos)
        << head;
    EXPECT_NE(head.find("\r\nAccept: application/json\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nUser-Agent: Alvena-Windows/1.0\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nContent-Length: " + std::to_string(body.size()) + "\r\n"),
              std::string::npos)
        << head;
    // Each added header travels once: no second Accept or Content-Type line.
    EXPECT_EQ(head.find("Accept:"), head.rfind("Accept:")) << head;
    EXPECT_EQ(head.find("Content-Type:"), head.rfind("Content-Type:")) << head;
}

TEST_F(HttpsTransport, ChatQuestionTravelsEndToEnd) {
    const std::vector<ChatTurn> turns = {{u"user", u"Tengo fiebre"}};
    const PostJsonFn post = [&](WideView path, Utf8View body) {
        return PostJsonTo(standin_.Target(), path, body);
    };

    const ConsultResult result = RunChatConsult(u"Tengo fiebre", u"autosostenible", turns, post);

    EXPECT_EQ(standin_.Request("last", "verdict"), "ok");
    EXPECT_EQ(standin_.Request("last", "path"), "/api/consultar");
    EXPECT_EQ(standin_.Request("last", "body"),
              R"({"query":"Tengo fiebre","mode":"autosostenible","api_provider":"kimi","top_k":7,)"
              R"("history":[{"role":"user","content":"Tengo fiebre"}]})");
    EXPECT_TRUE(result.ok) << std::string(result.error.begin(), result.error.end());
    EXPECT_NE(result.text.find(u"Tengo fiebre"), std::u16string::npos);
    EXPECT_EQ(result.kind, u"chat");
    EXPECT_EQ(standin_.RequestCount(), 1);
}

TEST_F(HttpsTransport, RefusedChatBodyComesBackAsAnErrorResult) {
    // The stand-in checks bodies strictly; a 400 reaches the caller as text, not as an exception.
    const PostJsonFn post = [&](WideView path, Utf8View) {
        return PostJsonTo(standin_.Target(), path, R"({"query": "espacio"})");
    };
    const ConsultResult result = RunChatConsult(u"q", u"api", {}, post);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error.rfind(u"Error 400: {", 0), 0u);
    EXPECT_NE(standin_.Request("last", "verdict"), "ok");
}

}  // namespace
}  // namespace alvena
