#include "consult/lab_request.h"

#include <vector>

#include "consult/reply_status.h"
#include "consult/wire_text.h"
#include "protocol/json_text.h"
#include "protocol/utf8.h"

namespace alvena {
namespace {

constexpr const char* kDefaultNote = "Orientación según laboratorio.";

// Orientation, note and the optional list of actions, joined by single line feeds.
Utf8Text AssembleLabText(Utf8View reply) {
    Utf8Text text = ReplyOrientation(reply);
    text += "\n\n";
    text += JsonGetString(reply, "nota", kDefaultNote);

    AppendListBlock(text, "Acciones:", JsonGetStringArray(reply, "acciones"));
    return text;
}

}  // namespace

Utf8Text BuildLabBody(const WideText& labText, const WideText& age, const WideText& sex,
                      const WideText& symptoms, const WideText& mode) {
    Utf8Text body = R"({"texto_laboratorio":")";
    body += EscapedValue(labText);
    body += R"(","edad":")";
    body += EscapedValue(age);
    body += R"(","sexo":")";
    body += EscapedValue(sex);
    body += R"(","sintomas":")";
    body += EscapedValue(symptoms);
    body += R"(","mode":")";
    body += EscapedValue(mode);
    body += R"("})";
    return body;
}

ConsultResult RunLabConsult(const WideText& labText, const WideText& age, const WideText& sex,
                            const WideText& symptoms, const WideText& mode,
                            const PostJsonFn& post) {
    ConsultResult result;
    result.kind = u"laboratorio";
    result.title = u"Laboratorio";
    result.input = labText;

    const HttpResult reply = post(kLabPath, BuildLabBody(labText, age, sex, symptoms, mode));
    if (IsSuccessStatus(reply.status)) {
        result.ok = true;
        result.text = Utf8ToWide(AssembleLabText(reply.body));
    } else {
        result.error = StatusErrorText(reply.status);
    }
    return result;
}

}  // namespace alvena
