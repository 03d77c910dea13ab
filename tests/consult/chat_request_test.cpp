#include "consult/chat_request.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/fake_transport.h"

namespace alvena {
namespace {

std::vector<ChatTurn> Conversation(int count) {
    std::vector<ChatTurn> turns;
    for (int i = 0; i < count; ++i) {
        const std::u16string n(1, static_cast<char16_t>(u'a' + i));
        turns.push_back({i % 2 == 0 ? u"user" : u"assistant", u"turno " + n});
    }
    return turns;
}

// The first question of a conversation, as the service receives it.
constexpr char kFirstQuestionBody[] =
    R"({"query":"Tengo fiebre","mode":"autosostenible","api_provider":"kimi","top_k":7,)"
    R"("history":[{"role":"user","content":"Tengo fiebre"}]})";

TEST(ChatBody, FirstQuestionMatchesTheWireFormatByteForByte) {
    const std::vector<ChatTurn> turns = {{u"user", u"Tengo fiebre"}};
    EXPECT_EQ(BuildChatBody(u"Tengo fiebre", u"autosostenible", turns), kFirstQuestionBody);
}

TEST(ChatBody, NoTurnsGiveAnEmptyHistoryArray) {
    EXPECT_EQ(BuildChatBody(u"Hola", u"api", {}),
              R"({"query":"Hola","mode":"api","api_provider":"kimi","top_k":7,"history":[]})");
}

TEST(ChatBody, SendsAtMostTheLastEightTurnsOldestFirst) {
    const std::string eight = BuildChatBody(u"q", u"api", Conversation(8));
    EXPECT_NE(eight.find(R"("history":[{"role":"user","content":"turno a"},)"), std::string::npos);
    EXPECT_NE(eight.find(R"({"role":"assistant","content":"turno h"}]})"), std::string::npos);

    const std::string nine = BuildChatBody(u"q", u"api", Conversation(9));
    EXPECT_EQ(nine.find("turno a"), std::string::npos);
    EXPECT_NE(nine.find(R"("history":[{"role":"assistant","content":"turno b"},)"),
              std::string::npos);
    EXPECT_NE(nine.find(R"({"role":"user","content":"turno i"}]})"), std::string::npos);

    std::size_t objects = 0;
    for (std::size_t at = nine.find("{\"role\""); at != std::string::npos;
         at = nine.find("{\"role\"", at + 1)) {
        ++objects;
    }
    EXPECT_EQ(objects, 8u);
}

TEST(ChatBody, EscapesQuestionAndTurnsAndKeepsAccentsAsRawUtf8) {
    const std::u16string question = u"\u00bfDolor \"fuerte\"\r\nen C:\\piel?";
    const std::vector<ChatTurn> turns = {{u"user", question}};
    const std::string escaped =
        "\xc2\xbf"
        R"(Dolor \"fuerte\"\r\nen C:\\piel?)";
    EXPECT_EQ(BuildChatBody(question, u"autosostenible", turns),
              R"({"query":")" + escaped +
                  R"(","mode":"autosostenible","api_provider":"kimi","top_k":7,)"
                  R"("history":[{"role":"user","content":")" +
                  escaped + R"("}]})");
}

TEST(ChatConsult, PostsTheBodyToTheChatEndpointAndReadsTheAnswer) {
    FakeTransport transport({200, R"({"answer":"Hidrátese y vigile la temperatura.\nConsulte."})"});
    const std::vector<ChatTurn> turns = {{u"user", u"Tengo fiebre"}};

    const ConsultResult result =
        RunChatConsult(u"Tengo fiebre", u"autosostenible", turns, transport.Post());

    ASSERT_EQ(transport.calls.size(), 1u);
    EXPECT_EQ(transport.calls[0].path, u"/api/consultar");
    EXPECT_EQ(transport.calls[0].body, kFirstQuestionBody);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.kind, u"chat");
    EXPECT_EQ(result.title, u"Tengo fiebre");
    EXPECT_EQ(result.input, u"Tengo fiebre");
    EXPECT_EQ(result.text, u"Hidr\u00e1tese y vigile la temperatura.\nConsulte.");
    EXPECT_TRUE(result.error.empty());
}

TEST(ChatConsult, UnusableAnswersFallBackToTheRetryText) {
    const std::u16string fallback = u"No recib\u00ed respuesta. Intente de nuevo.";
    for (const char* body : {R"({"answer":""})", R"({"answer":null})", R"({"respuesta":"x"})",
                             "<html>502</html>", ""}) {
        FakeTransport transport({200, body});
        const ConsultResult result = RunChatConsult(u"q", u"api", {}, transport.Post());
        EXPECT_TRUE(result.ok) << body;
        EXPECT_EQ(result.text, fallback) << body;
    }
}

TEST(ChatConsult, OnlyStatusesFrom200To299AreAnswers) {
    const struct {
        std::uint32_t status;
        bool ok;
    } cases[] = {{0, false},  {199, false}, {200, true},  {204, true},
                 {299, true}, {300, false}, {301, false}, {500, false}};
    for (const auto& c : cases) {
        FakeTransport transport({c.status, R"({"answer":"hola"})"});
        const ConsultResult result = RunChatConsult(u"q", u"api", {}, transport.Post());
        EXPECT_EQ(result.ok, c.ok) << c.status;
        EXPECT_EQ(result.text.empty(), !c.ok) << c.status;
        EXPECT_EQ(result.error.empty(), c.ok) << c.status;
    }
}

TEST(ChatConsult, ErrorTextCarriesTheStatusAndTheFirst200BytesOfTheBody) {
    const std::string body300 = std::string(150, 'x') + std::string(150, 'y');
    FakeTransport transport({500, body300});
    EXPECT_EQ(RunChatConsult(u"q", u"api", {}, transport.Post()).error,
              u"Error 500: " + std::u16string(150, u'x') + std::u16string(50, u'y'));

    FakeTransport empty({404, ""});
    EXPECT_EQ(RunChatConsult(u"q", u"api", {}, empty.Post()).error, u"Error 404: ");

    FakeTransport unread({0, "abc"});
    EXPECT_EQ(RunChatConsult(u"q", u"api", {}, unread.Post()).error, u"Error 0: abc");

    // "é" straddles the 200-byte cut: its first byte alone becomes a replacement character.
    FakeTransport cut({503, std::string(199, 'z') + "\xc3\xa9tc"});
    EXPECT_EQ(RunChatConsult(u"q", u"api", {}, cut.Post()).error,
              u"Error 503: " + std::u16string(199, u'z') + u"\ufffd");
}

TEST(ChatConsult, TransportFailuresPassOutUnchanged) {
    const PostJsonFn failing = [](WideView, Utf8View) -> HttpResult {
        throw std::runtime_error("Error de red al consultar el servidor");
    };
    try {
        (void)RunChatConsult(u"q", u"api", {}, failing);
        FAIL() << "expected the transport's error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Error de red al consultar el servidor");
    }
}

}  // namespace
}  // namespace alvena
