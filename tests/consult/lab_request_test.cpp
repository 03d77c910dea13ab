#include "consult/lab_request.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "tests/support/fake_transport.h"

namespace alvena {
namespace {

const std::u16string kNoOrientation = u"Sin orientaci\u00f3n.";
const std::u16string kDefaultNote = u"Orientaci\u00f3n seg\u00fan laboratorio.";

ConsultResult Consult(FakeTransport& transport) {
    return RunLabConsult(u"Hb 10.2 g/dL", u"45", u"F", u"", u"autosostenible", transport.Post());
}

// The worked example, as Consult sends it.
constexpr char kWorkedBody[] =
    R"({"texto_laboratorio":"Hb 10.2 g/dL","edad":"45","sexo":"F","sintomas":"",)"
    R"("mode":"autosostenible"})";

TEST(LabBody, WorkedExampleMatchesTheWireFormatByteForByte) {
    EXPECT_EQ(BuildLabBody(u"Hb 10.2 g/dL", u"45", u"F", u"", u"autosostenible"), kWorkedBody);
}

TEST(LabBody, EachInputLandsUnderItsOwnKeyInOrder) {
    EXPECT_EQ(BuildLabBody(u"L", u"A", u"Otro", u"S", u"api"),
              R"({"texto_laboratorio":"L","edad":"A","sexo":"Otro","sintomas":"S","mode":"api"})");
}

TEST(LabBody, EmptyInputsStillSendEveryKeyAsAnEmptyString) {
    EXPECT_EQ(BuildLabBody(u"", u"", u"", u"", u""),
              R"({"texto_laboratorio":"","edad":"","sexo":"","sintomas":"","mode":""})");
}

TEST(LabBody, AnAgeThatIsNotANumberTravelsAsTyped) {
    const std::string body = BuildLabBody(u"Hb", u"cuarenta", u"M", u"", u"api");
    EXPECT_NE(body.find(R"("edad":"cuarenta")"), std::string::npos);
}

TEST(LabBody, HasNeitherProviderNorTopK) {
    const std::string body = BuildLabBody(u"Hb", u"45", u"F", u"tos", u"api");
    EXPECT_EQ(body.find("api_provider"), std::string::npos);
    EXPECT_EQ(body.find("top_k"), std::string::npos);
}

TEST(LabBody, EscapesLineBreaksAndQuotesAndKeepsAccentsAsRawUtf8) {
    const std::string body = BuildLabBody(u"Hemoglobina \"baja\"\r\nGluc\u00f3sa: 90", u"45", u"F",
                                          u"n\u00e1useas\tleves", u"api");
    EXPECT_EQ(body,
              "{\"texto_laboratorio\":\"Hemoglobina \\\"baja\\\"\\r\\nGluc\xc3\xb3sa: 90\","
              "\"edad\":\"45\",\"sexo\":\"F\",\"sintomas\":\"n\xc3\xa1useas\\tleves\","
              "\"mode\":\"api\"}");
}

TEST(LabConsult, PostsTheBodyToTheLaboratoryEndpointAndAssemblesTheWorkedReply) {
    FakeTransport transport({200, R"({"orientacion":"Anemia leve","nota":"Repetir en 3 meses",)"
                                  R"("acciones":["Ferritina","Control"]})"});

    const ConsultResult result = Consult(transport);

    ASSERT_EQ(transport.calls.size(), 1u);
    EXPECT_EQ(transport.calls[0].path, u"/api/laboratorio/analizar");
    EXPECT_EQ(transport.calls[0].body, kWorkedBody);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.kind, u"laboratorio");
    EXPECT_EQ(result.title, u"Laboratorio");
    EXPECT_EQ(result.input, u"Hb 10.2 g/dL");
    EXPECT_EQ(result.text,
              u"Anemia leve\n\nRepetir en 3 meses\n\nAcciones:\n- Ferritina\n- Control");
    EXPECT_TRUE(result.error.empty());
}

TEST(LabConsult, AssemblesOrientationNoteAndActions) {
    const struct {
        const char* name;
        const char* reply;
        std::u16string text;
    } cases[] = {
        {"orientation only", R"({"orientacion":"A"})", u"A\n\n" + kDefaultNote},
        {"empty orientation falls to analysis", R"({"orientacion":"","analisis":"B","nota":"N"})",
         u"B\n\nN"},
        {"orientation wins over analysis", R"({"analisis":"B","orientacion":"A","nota":"N"})",
         u"A\n\nN"},
        {"orientation not a string", R"({"orientacion":null,"analisis":"B","nota":"N"})",
         u"B\n\nN"},
        {"neither", R"({"nota":"N"})", kNoOrientation + u"\n\nN"},
        {"empty note", R"({"orientacion":"A","nota":""})", u"A\n\n" + kDefaultNote},
        {"empty object", "{}", kNoOrientation + u"\n\n" + kDefaultNote},
        {"not JSON", "<html>Bad gateway</html>", kNoOrientation + u"\n\n" + kDefaultNote},
        {"empty body", "", kNoOrientation + u"\n\n" + kDefaultNote},
        {"empty actions", R"({"orientacion":"A","nota":"N","acciones":[]})", u"A\n\nN"},
        {"only empty actions", R"({"orientacion":"A","nota":"N","acciones":["",""]})", u"A\n\nN"},
        {"actions as one string", R"({"orientacion":"A","nota":"N","acciones":"Ferritina"})",
         u"A\n\nN"},
        {"empty actions skipped", R"({"orientacion":"A","nota":"N","acciones":["","X",3,"Y"]})",
         u"A\n\nN\n\nAcciones:\n- X\n- Y"},
        {"line feeds inside values stay",
         R"({"orientacion":"A\nB","nota":"N","acciones":["C\r\nD"]})",
         u"A\nB\n\nN\n\nAcciones:\n- C\r\nD"},
        {"accented values", "{\"orientacion\":\"Tir\xc3\xb3ides\",\"nota\":\"\\u00bfTSH?\"}",
         u"Tir\u00f3ides\n\n\u00bfTSH?"},
    };
    for (const auto& c : cases) {
        FakeTransport transport({200, c.reply});
        const ConsultResult result = Consult(transport);
        EXPECT_TRUE(result.ok) << c.name;
        EXPECT_EQ(result.text, c.text) << c.name;
    }
}

TEST(LabConsult, OnlyStatusesFrom200To299AreAnswers) {
    const struct {
        std::uint32_t status;
        bool ok;
    } cases[] = {{0, false},   {199, false}, {200, true},  {201, true},        {299, true},
                 {300, false}, {404, false}, {500, false}, {0xFFFFFFFF, false}};
    for (const auto& c : cases) {
        FakeTransport transport({c.status, R"({"orientacion":"A"})"});
        const ConsultResult result = Consult(transport);
        EXPECT_EQ(result.ok, c.ok) << c.status;
        EXPECT_EQ(result.text.empty(), !c.ok) << c.status;
        EXPECT_EQ(result.error.empty(), c.ok) << c.status;
        EXPECT_EQ(result.kind, u"laboratorio") << c.status;
        EXPECT_EQ(result.title, u"Laboratorio") << c.status;
        EXPECT_EQ(result.input, u"Hb 10.2 g/dL") << c.status;
    }
}

TEST(LabConsult, ErrorTextIsTheStatusAloneWhateverTheBody) {
    const struct {
        std::uint32_t status;
        const char* body;
        std::u16string error;
    } cases[] = {
        {404, R"({"detail":"No encontrado"})", u"Error 404"},
        {500, "", u"Error 500"},
        {0, "abc", u"Error 0"},
        {199, "x", u"Error 199"},
    };
    for (const auto& c : cases) {
        FakeTransport transport({c.status, c.body});
        EXPECT_EQ(Consult(transport).error, c.error) << c.status;
    }
}

TEST(LabConsult, TransportFailuresPassOutUnchanged) {
    const PostJsonFn failing = [](WideView, Utf8View) -> HttpResult {
        throw std::runtime_error("Error de red al consultar el servidor");
    };
    try {
        (void)RunLabConsult(u"Hb", u"45", u"F", u"", u"api", failing);
        FAIL() << "expected the transport's error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Error de red al consultar el servidor");
    }
}

}  // namespace
}  // namespace alvena
