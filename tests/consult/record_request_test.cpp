#include "consult/record_request.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/fake_transport.h"

namespace alvena {
namespace {

const std::u16string kNoOrientation = u"Sin orientaci\u00f3n.";

// Every input distinct, so an argument that lands under the wrong key shows.
std::string DistinctBody() {
    return BuildRecordBody(u"motivo", u"medico", u"45", u"F", u"alergias", u"cronicas", u"signos",
                           u"exploracion", u"medicamentos", u"libre", u"autosostenible");
}

ConsultResult ConsultWithReason(const std::u16string& reason, FakeTransport& transport) {
    return RunRecordConsult(reason, u"medico", u"45", u"F", u"", u"", u"", u"", u"", u"texto",
                            u"api", transport.Post());
}

ConsultResult Consult(FakeTransport& transport) {
    return ConsultWithReason(u"Dolor de cabeza", transport);
}

TEST(RecordBody, MatchesTheWireFormatByteForByte) {
    EXPECT_EQ(DistinctBody(),
              R"({"rol":"medico","edad":"45","sexo":"F","alergias":"alergias",)"
              R"("cronicas":"cronicas","motivo":"motivo","signos_vitales":"signos",)"
              R"("exploracion":"exploracion","medicamentos":"medicamentos",)"
              R"("texto_libre":"libre","top_k":5,"mode":"autosostenible","api_provider":"kimi"})");
}

TEST(RecordBody, EmptyInputsStillSendEveryKeyAsAnEmptyString) {
    EXPECT_EQ(BuildRecordBody(u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u""),
              R"({"rol":"","edad":"","sexo":"","alergias":"","cronicas":"","motivo":"",)"
              R"("signos_vitales":"","exploracion":"","medicamentos":"","texto_libre":"",)"
              R"("top_k":5,"mode":"","api_provider":"kimi"})");
}

TEST(RecordBody, SexAndAgeTravelAsTyped) {
    const std::string body = BuildRecordBody(u"m", u"enfermeria", u"cuarenta", u"femenino", u"",
                                             u"", u"", u"", u"", u"", u"api");
    EXPECT_NE(body.find(R"("edad":"cuarenta","sexo":"femenino")"), std::string::npos);
}

TEST(RecordBody, EscapesLineBreaksAndQuotesAndKeepsAccentsAsRawUtf8) {
    const std::string body =
        BuildRecordBody(u"Cefalea", u"medico", u"30", u"M", u"Penicilina \"grave\"",
                        u"Diabetes\r\nHipertensi\u00f3n", u"", u"Exploraci\u00f3n normal",
                        u"C:\\receta", u"", u"api");
    EXPECT_NE(body.find(R"("alergias":"Penicilina \"grave\"")"), std::string::npos);
    EXPECT_NE(body.find("\"cronicas\":\"Diabetes\\r\\nHipertensi\xc3\xb3n\""), std::string::npos);
    EXPECT_NE(body.find("\"exploracion\":\"Exploraci\xc3\xb3n normal\""), std::string::npos);
    EXPECT_NE(body.find(R"("medicamentos":"C:\\receta")"), std::string::npos);
}

TEST(RecordConsult, PostsTheBodyToTheRecordEndpoint) {
    FakeTransport transport({200, R"({"orientacion":"Reposo"})"});

    const ConsultResult result = RunRecordConsult(
        u"motivo", u"medico", u"45", u"F", u"alergias", u"cronicas", u"signos", u"exploracion",
        u"medicamentos", u"libre", u"autosostenible", transport.Post());

    ASSERT_EQ(transport.calls.size(), 1u);
    EXPECT_EQ(transport.calls[0].path, u"/api/expediente/analizar");
    // Each argument reaches its own place; the body itself is pinned byte for byte above.
    EXPECT_EQ(transport.calls[0].body, DistinctBody());
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.kind, u"expediente");
    EXPECT_EQ(result.title, u"motivo");
    EXPECT_EQ(result.input, u"motivo");
    EXPECT_EQ(result.text, u"Reposo");
    EXPECT_TRUE(result.error.empty());
}

TEST(RecordConsult, TitleIsTheReasonAsTypedUnlessItIsEmpty) {
    const struct {
        std::u16string reason;
        std::u16string title;
    } cases[] = {
        {u"", u"Expediente"},
        {u"   ", u"   "},
        {u" Fiebre \r\n", u" Fiebre \r\n"},
        {u"Dolor tor\u00e1cico", u"Dolor tor\u00e1cico"},
    };
    for (const auto& c : cases) {
        for (const std::uint32_t status : {200u, 500u}) {
            FakeTransport transport({status, "{}"});
            const ConsultResult result = ConsultWithReason(c.reason, transport);
            EXPECT_EQ(result.title, c.title) << status;
            EXPECT_EQ(result.input, c.reason) << status;
            EXPECT_EQ(result.kind, u"expediente") << status;
        }
    }
}

TEST(RecordConsult, AssemblesOrientationThenDiagnosesAlertsAndActions) {
    const struct {
        const char* name;
        const char* reply;
        std::u16string text;
    } cases[] = {
        {"orientation only", R"({"orientacion":"Reposo"})", u"Reposo"},
        {"empty orientation falls to analysis", R"({"orientacion":"","analisis":"B"})", u"B"},
        {"orientation wins over analysis", R"({"analisis":"B","orientacion":"A"})", u"A"},
        {"nothing usable", R"({"nota":"N","alertas":[],"acciones":[""]})", kNoOrientation},
        {"not JSON", "Internal Server Error", kNoOrientation},
        {"empty body", "", kNoOrientation},
        {"fixed block order",
         R"({"acciones":["Ac1","Ac2"],"alertas":["Al1"],"diagnosticos":["D1",{"diagnostico":"D2"}],)"
         R"("orientacion":"O"})",
         u"O\n\nDiagn\u00f3sticos orientativos:\n- D1\n- D2\n\nAlertas:\n- Al1"
         u"\n\nAcciones:\n- Ac1\n- Ac2"},
        {"alerts alone", R"({"orientacion":"O","alertas":["Al"]})", u"O\n\nAlertas:\n- Al"},
        {"actions alone", R"({"orientacion":"O","acciones":["Ac"]})", u"O\n\nAcciones:\n- Ac"},
        {"diagnoses alone without orientation", R"({"diagnosticos":["D"]})",
         kNoOrientation + u"\n\nDiagn\u00f3sticos orientativos:\n- D"},
        {"unusable diagnoses give no block",
         R"({"orientacion":"O","diagnosticos":[{"diagnostico":""},{"codigo":"K29"},7,null]})",
         u"O"},
        {"lists given as strings give no block",
         R"({"orientacion":"O","alertas":"Al","acciones":"Ac","diagnosticos":"D"})", u"O"},
        {"no note line", R"({"orientacion":"O","nota":"N"})", u"O"},
    };
    for (const auto& c : cases) {
        FakeTransport transport({200, c.reply});
        const ConsultResult result = Consult(transport);
        EXPECT_TRUE(result.ok) << c.name;
        EXPECT_EQ(result.text, c.text) << c.name;
    }
}

TEST(RecordConsult, OnlyStatusesFrom200To299AreAnswers) {
    const struct {
        std::uint32_t status;
        bool ok;
    } cases[] = {{0, false},   {199, false}, {200, true},  {204, true},        {299, true},
                 {300, false}, {301, false}, {500, false}, {0xFFFFFFFF, false}};
    for (const auto& c : cases) {
        FakeTransport transport({c.status, R"({"orientacion":"O"})"});
        const ConsultResult result = Consult(transport);
        EXPECT_EQ(result.ok, c.ok) << c.status;
        EXPECT_EQ(result.text.empty(), !c.ok) << c.status;
        EXPECT_EQ(result.error.empty(), c.ok) << c.status;
    }
}

TEST(RecordConsult, ErrorTextCarriesTheStatusAndTheFirst200BytesOfTheBody) {
    const struct {
        std::uint32_t status;
        std::string body;
        std::u16string error;
    } cases[] = {
        {500, std::string(150, 'x') + std::string(150, 'y'),
         u"Error 500: " + std::u16string(150, u'x') + std::u16string(50, u'y')},
        {404, "", u"Error 404: "},
        {0, "abc", u"Error 0: abc"},
        // "é" straddles the cut: its first byte alone becomes a replacement character.
        {503, std::string(199, 'z') + "\xc3\xa9tc",
         u"Error 503: " + std::u16string(199, u'z') + u"\ufffd"},
    };
    for (const auto& c : cases) {
        FakeTransport transport({c.status, c.body});
        EXPECT_EQ(Consult(transport).error, c.error) << c.status;
    }
}

TEST(RecordConsult, TransportFailuresPassOutUnchanged) {
    const PostJsonFn failing = [](WideView, Utf8View) -> HttpResult {
        throw std::runtime_error("Error de red al consultar el servidor");
    };
    try {
        (void)RunRecordConsult(u"m", u"medico", u"", u"", u"", u"", u"", u"", u"", u"", u"api",
                               failing);
        FAIL() << "expected the transport's error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Error de red al consultar el servidor");
    }
}

TEST(JsonGetDiagnosesTest, ReadsStringsAndObjectsInArrayOrder) {
    const struct {
        const char* name;
        std::string reply;
        std::vector<std::string> diagnoses;
    } cases[] = {
        {"string then object",
         R"({"diagnosticos":["Anemia",{"diagnostico":"Gastritis"}]})",
         {"Anemia", "Gastritis"}},
        {"object then string",
         R"({"diagnosticos":[{"codigo":"K29","diagnostico":"Gastritis","p":0.4}, "Anemia"]})",
         {"Gastritis", "Anemia"}},
        {"white space around",
         "{\"diagnosticos\" :\n [ \"A\" ,\t{ \"diagnostico\" : \"B\" } ] }",
         {"A", "B"}},
        {"escapes decoded",
         R"({"diagnosticos":["Hipertensi\u00f3n",{"diagnostico":"a\"b"}]})",
         {"Hipertensi\xc3\xb3n", "a\"b"}},
        {"empty, null and numbers left out",
         R"({"diagnosticos":["",{"diagnostico":""},{"diagnostico":null},{"otro":"x"},1,null,"C"]})",
         {"C"}},
        {"member found nested inside the object",
         R"({"diagnosticos":[{"detalle":{"diagnostico":"N"}}]})",
         {"N"}},
        {"a longer key does not match",
         R"({"diagnosticos":[{"diagnosticos":"X"},{"diagnostico_id":"Y"}]})",
         {}},
        {"search stays inside each object",
         R"({"diagnosticos":[{"codigo":"K29"},{"diagnostico":"B"}]})",
         {"B"}},
        {"braces and brackets inside strings",
         R"({"diagnosticos":[{"nota":"} ] {","diagnostico":"D]"},"E"]})",
         {"D]", "E"}},
        {"first key occurrence wins even when nested",
         R"({"previo":{"diagnosticos":["P"]},"diagnosticos":["Q"]})",
         {"P"}},
        {"key quoted as a value is passed over",
         R"({"tipo":"diagnosticos","diagnosticos":["Q"]})",
         {"Q"}},
        {"nested array's bracket ends the walk", R"({"diagnosticos":[["A","B"],"C"]})", {"A", "B"}},
        {"unterminated array", R"({"diagnosticos":["A",{"diagnostico":"B"})", {"A", "B"}},
        {"unterminated object", R"({"diagnosticos":["A",{"diagnostico":"B")", {"A", "B"}},
        {"missing key", R"({"diagnostico":"A"})", {}},
        {"string in place of the array", R"({"diagnosticos":"A"})", {}},
        {"null in place of the array", R"({"diagnosticos":null})", {}},
        {"key at the very end", R"({"diagnosticos":)", {}},
        {"empty text", "", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonGetDiagnoses(c.reply), c.diagnoses) << c.name;
    }
}

}  // namespace
}  // namespace alvena
