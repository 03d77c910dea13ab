#include "consult/record_request.h"

#include <utility>

#include "consult/reply_status.h"
#include "protocol/json_text.h"
#include "protocol/utf8.h"

namespace alvena {
namespace {

constexpr const char* kNoOrientation = "Sin orientación.";

Utf8Text Escaped(const WideText& text) {
    return JsonEscape(WideToUtf8(text));
}

// A heading and one "- " line per item; nothing at all for an empty list.
void AppendBlock(Utf8Text& text, Utf8View heading, const std::vector<Utf8Text>& items) {
    if (items.empty()) {
        return;
    }
    text += "\n\n";
    text += heading;
    for (const Utf8Text& item : items) {
        text += "\n- ";
        text += item;
    }
}

// The orientation, then diagnoses, alerts and actions in that order whatever the reply's order.
Utf8Text AssembleRecordText(Utf8View reply) {
    Utf8Text text = JsonGetString(reply, "orientacion", "");
    if (text.empty()) {
        text = JsonGetString(reply, "analisis", kNoOrientation);
    }
    const std::vector<Utf8Text> alerts = JsonGetStringArray(reply, "alertas");
    const std::vector<Utf8Text> actions = JsonGetStringArray(reply, "acciones");
    const std::vector<Utf8Text> diagnoses = JsonGetDiagnoses(reply);
    AppendBlock(text, "Diagnósticos orientativos:", diagnoses);
    AppendBlock(text, "Alertas:", alerts);
    AppendBlock(text, "Acciones:", actions);
    return text;
}

}  // namespace

Utf8Text BuildRecordBody(const WideText& reason, const WideText& role, const WideText& age,
                         const WideText& sex, const WideText& allergies, const WideText& chronic,
                         const WideText& vitalSigns, const WideText& examination,
                         const WideText& medication, const WideText& freeText,
                         const WideText& mode) {
    Utf8Text body = R"({"rol":")";
    body += Escaped(role);
    body += R"(","edad":")";
    body += Escaped(age);
    body += R"(","sexo":")";
    body += Escaped(sex);
    body += R"(","alergias":")";
    body += Escaped(allergies);
    body += R"(","cronicas":")";
    body += Escaped(chronic);
    body += R"(","motivo":")";
    body += Escaped(reason);
    body += R"(","signos_vitales":")";
    body += Escaped(vitalSigns);
    body += R"(","exploracion":")";
    body += Escaped(examination);
    body += R"(","medicamentos":")";
    body += Escaped(medication);
    body += R"(","texto_libre":")";
    body += Escaped(freeText);
    body += R"(","top_k":5,"mode":")";
    body += Escaped(mode);
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
