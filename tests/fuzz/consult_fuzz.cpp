// One consultation of each kind with inputs of any UTF-16 text and any reply. The request body
// must be JSON that a strict reader accepts, holding the inputs as they were typed (a lone
// surrogate as U+FFFD); the result must be a success exactly for a 2xx status, with text to show,
// and an error message otherwise.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "consult/chat_request.h"
#include "consult/lab_request.h"
#include "consult/record_request.h"
#include "tests/fuzz/support/fuzz_input.h"
#include "tests/fuzz/support/strict_json.h"
#include "tests/support/fake_transport.h"

namespace alvena {
namespace {

constexpr std::size_t kFieldBytes = 96;

[[nodiscard]] JsonValue Sent(const WideText& text) {
    return MakeString(WithoutLoneSurrogates(text));
}

void CheckBody(const FakeTransport& transport, JsonMembers expected) {
    FUZZ_CHECK(transport.calls.size() == 1);
    const std::optional<JsonValue> body = ParseStrictJson(transport.calls.front().body);
    FUZZ_CHECK(body && *body == MakeObject(std::move(expected)));
}

void CheckResult(const ConsultResult& result, std::uint32_t status) {
    const std::string digits = std::to_string(status);
    const WideText statusError = u"Error " + WideText(digits.begin(), digits.end());
    if (status >= 200 && status <= 299) {
        FUZZ_CHECK(result.ok && !result.text.empty() && result.error.empty());
        FUZZ_CHECK(WithoutLoneSurrogates(result.text) == result.text);
    } else {
        FUZZ_CHECK(!result.ok && result.text.empty() && result.error.starts_with(statusError));
    }
}

template <std::size_t N>
[[nodiscard]] std::array<WideText, N> ConsumeFields(FuzzedDataProvider& input) {
    std::array<WideText, N> fields;
    for (WideText& field : fields) {
        field = ConsumeWide(input, kFieldBytes);
    }
    return fields;
}

void FuzzChat(FuzzedDataProvider& input, std::uint32_t status) {
    const auto [question, mode] = ConsumeFields<2>(input);
    std::vector<ChatTurn> turns(input.ConsumeIntegralInRange<std::size_t>(0, 10));
    for (ChatTurn& turn : turns) {
        turn.role = ConsumeWide(input, 16);
        turn.content = ConsumeWide(input, kFieldBytes);
    }
    FakeTransport transport({status, input.ConsumeRemainingBytesAsString()});
    const ConsultResult result = RunChatConsult(question, mode, turns, transport.Post());

    std::vector<JsonValue> history;
    for (std::size_t i = turns.size() > 8 ? turns.size() - 8 : 0; i < turns.size(); ++i) {
        history.push_back(
            MakeObject({{u"role", Sent(turns[i].role)}, {u"content", Sent(turns[i].content)}}));
    }
    CheckBody(transport, {{u"query", Sent(question)},
                          {u"mode", Sent(mode)},
                          {u"api_provider", MakeString(u"kimi")},
                          {u"top_k", MakeNumber(u"7")},
                          {u"history", MakeArray(std::move(history))}});
    CheckResult(result, status);
}

void FuzzLab(FuzzedDataProvider& input, std::uint32_t status) {
    const auto [lab, age, sex, symptoms, mode] = ConsumeFields<5>(input);
    FakeTransport transport({status, input.ConsumeRemainingBytesAsString()});
    const ConsultResult result = RunLabConsult(lab, age, sex, symptoms, mode, transport.Post());

    CheckBody(transport, {{u"texto_laboratorio", Sent(lab)},
                          {u"edad", Sent(age)},
                          {u"sexo", Sent(sex)},
                          {u"sintomas", Sent(symptoms)},
                          {u"mode", Sent(mode)}});
    CheckResult(result, status);
}

void FuzzRecord(FuzzedDataProvider& input, std::uint32_t status) {
    const auto [reason, role, age, sex, allergies, chronic, vitals, exam, medication, freeText,
                mode] = ConsumeFields<11>(input);
    FakeTransport transport({status, input.ConsumeRemainingBytesAsString()});
    const ConsultResult result =
        RunRecordConsult(reason, role, age, sex, allergies, chronic, vitals, exam, medication,
                         freeText, mode, transport.Post());

    CheckBody(transport, {{u"rol", Sent(role)},
                          {u"edad", Sent(age)},
                          {u"sexo", Sent(sex)},
                          {u"alergias", Sent(allergies)},
                          {u"cronicas", Sent(chronic)},
                          {u"motivo", Sent(reason)},
                          {u"signos_vitales", Sent(vitals)},
                          {u"exploracion", Sent(exam)},
                          {u"medicamentos", Sent(medication)},
                          {u"texto_libre", Sent(freeText)},
                          {u"top_k", MakeNumber(u"5")},
                          {u"mode", Sent(mode)},
                          {u"api_provider", MakeString(u"kimi")}});
    CheckResult(result, status);
}

}  // namespace
}  // namespace alvena

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace alvena;
    FuzzedDataProvider input(data, size);
    const int kind = input.ConsumeIntegralInRange(0, 2);
    const std::uint32_t status = input.ConsumeIntegral<std::uint16_t>();
    if (kind == 0) {
        FuzzChat(input, status);
    } else if (kind == 1) {
        FuzzLab(input, status);
    } else {
        FuzzRecord(input, status);
    }
    return 0;
}
