#include "consult/chat_request.h"

#include "consult/reply_status.h"
#include "consult/wire_text.h"
#include "protocol/json_text.h"
#include "protocol/utf8.h"

namespace alvena {
namespace {

constexpr const char* kNoAnswer = "No recibí respuesta. Intente de nuevo.";

Utf8Text BuildHistoryArray(const std::vector<ChatTurn>& turns) {
    const std::size_t first =
        turns.size() > kChatHistoryTurns ? turns.size() - kChatHistoryTurns : 0;
    Utf8Text array = "[";
    for (std::size_t i = first; i < turns.size(); ++i) {
        if (i != first) {
            array += ',';
        }
        array += R"({"role":")";
        array += EscapedValue(turns[i].role);
        array += R"(","content":")";
        array += EscapedValue(turns[i].content);
        array += R"("})";
    }
    array += ']';
    return array;
}

}  // namespace

Utf8Text BuildChatBody(const WideText& question, const WideText& mode,
                       const std::vector<ChatTurn>& turns) {
    Utf8Text body = R"({"query":")";
    body += EscapedValue(question);
    body += R"(","mode":")";
    body += EscapedValue(mode);
    body += R"(","api_provider":"kimi","top_k":7,"history":)";
    body += BuildHistoryArray(turns);
    body += '}';
    return body;
}

ConsultResult RunChatConsult(const WideText& question, const WideText& mode,
                             const std::vector<ChatTurn>& turns, const PostJsonFn& post) {
    ConsultResult result;
    result.kind = u"chat";
    result.input = question;
    result.title = question;

    const HttpResult reply = post(kChatPath, BuildChatBody(question, mode, turns));
    if (IsSuccessStatus(reply.status)) {
        result.ok = true;
        result.text = Utf8ToWide(JsonGetString(reply.body, "answer", kNoAnswer));
    } else {
        result.error = StatusErrorTextWithBody(reply);
    }
    return result;
}

}  // namespace alvena
