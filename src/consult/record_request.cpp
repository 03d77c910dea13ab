#include "consult/record_request.h"

#include <utility>

#include "consult/reply_status.h"
#include "consult/wire_text.h"
#include "protocol/json_text.h"
#include "protocol/utf8.h"

namespace alvena {
namespace {

// The orientation, then diagnoses, alerts and actions in that order whatever the reply's order.
Utf8Text AssembleRecordText(Utf8View reply) {
    Utf8Text text = ReplyOrientation(reply);
    const std::vector<Utf8Text> alerts = JsonGetStringArray(reply, "alertas");
    const std::vector<Utf8Text> actions = JsonGetStringArray(reply, "acciones");
    const std::vector<Utf8Text> diagnoses = JsonGetDiagnoses(reply);
    AppendListBlock(text, "Diagnósticos orientativos:", diagnoses);
    AppendListBlock(text, "Alertas:", alerts);
    AppendListBlock(text, "Acciones:", actions);
    return text;
}

}  // namespace

Utf8Text BuildRecordBody(const WideText& reason, const WideText& role, const WideText& age,
                         const WideText& sex, const WideText& allergies, const WideText& chronic,
                         const WideText& vitalSigns, const WideText& examination,
                         const WideText& medication, const WideText& freeText,
                         const WideText& mode) {
    Utf8Text body = R"({"rol":")";
    body += EscapedValue(role);
    body += R"(","edad":")";
    body += EscapedValue(age);
    body += R"(","sexo":")";
    body += EscapedValue(sex);
    body += R"(","alergias":")";
    body += EscapedValue(allergies);
    body += R"(","cronicas":")";
    body += EscapedValue(chronic);
    body += R"(","motivo":")";
    body += EscapedValue(reason);
    body += R"(","signos_vitales":")";
    body += EscapedValue(vitalSigns);
    body += R"(","exploracion":")";
    body += EscapedValue(examination);
    body += R"(","medicamentos":")";
    body += EscapedValue(medication);
    body += R"(","texto_libre":")";
    body += EscapedValue(freeText);
    body += R"(","top_k":5,"mode":")";
    body += EscapedValue(mode);
    body += R"(","api_provider":"kimi"})";
    return body;
}

ConsultResult RunRecordConsult(const WideText& reason, const WideText& role, const WideText& age,
                               const WideText& sex, const WideText& allergies,
                               const WideText& chronic, const WideText& vitalSigns,
                               const WideText& examination, const WideText& medication,
                               const WideText& freeText, const WideText& mode,
                               const PostJsonFn& post) {
    ConsultResult result;
    result.kind = u"expediente";
    // A reason of blanks alone is still the user's own title.
    result.title = reason.empty() ? WideText(u"Expediente") : reason;
    result.input = reason;

    const HttpResult reply =
        post(kRecordPath, BuildRecordBody(reason, role, age, sex, allergies, chronic, vitalSigns,
                                          examination, medication, freeText, mode));
    if (IsSuccessStatus(reply.status)) {
        result.ok = true;
        result.text = Utf8ToWide(AssembleRecordText(reply.body));
    } else {
        result.error = StatusErrorTextWithBody(reply);
    }
    return result;
}

std::vector<Utf8Text> JsonGetDiagnoses(Utf8View replyBody) {
    std::vector<Utf8Text> diagnoses;
    const auto keep = [&](Utf8Text diagnosis) {
        if (!diagnosis.empty()) {
            diagnoses.push_back(std::move(diagnosis));
        }
    };
    WalkJsonArray(
        replyBody, "diagnosticos",
        [&](std::size_t index) { keep(JsonReadString(replyBody, index)); },
        // Searched within the object alone, so a later object's member cannot answer for it.
        [&](Utf8View object) { keep(JsonGetString(object, "diagnostico", "")); });
    return diagnoses;
}

}  // namespace alvena
