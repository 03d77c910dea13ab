#include "consult/lab_request.h"

#include <vector>

#include "consult/reply_status.h"
#include "protocol/json_text.h"
#include "protocol/utf8.h"

namespace alvena {
namespace {

constexpr const char* kNoOrientation = "Sin orientación.";
constexpr const char* kDefaultNote = "Orientación según laboratorio.";

Utf8Text Escaped(const WideText& text) {
    return JsonEscape(WideToUtf8(text));
}

// Orientation, note and the optional list of actions, joined by single line feeds.
Utf8Text AssembleLabText(Utf8View reply) {
    Utf8Text text = JsonGetString(reply, "orientacion", "");
    if (text.empty()) {
        text = JsonGetString(reply, "analisis", kNoOrientation);
    }
    text += "\n\n";
    text += JsonGetString(reply, "nota", kDefaultNote);

    const std::vector<Utf8Text> actions = JsonGetStringArray(reply, "acciones");
    if (!actions.empty()) {
        text += "\n\nAcciones:";
        for (const Utf8Text& action : actions) {
            text += "\n- ";
            text += action;
        }
    }
    return text;
}

}  // namespace

Utf8Text BuildLabBody(const WideText& labText, const WideText& age, const WideText& sex,
                      const WideText& symptoms, const WideText& mode) {
    Utf8Text body = R"({"texto_laboratorio":")";
    body += Escaped(labText);
    body += R"(","edad":")";
    body += Escaped(age);
    body += R"(","sexo":")";
    body += Escaped(sex);
    body += R"(","sintomas":")";
    body += Escaped(symptoms);
    body += R"(","mode":")";
    body += Escaped(mode);
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
