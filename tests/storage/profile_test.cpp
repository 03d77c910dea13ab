#include "storage/profile.h"

#include <gtest/gtest.h>

#include "protocol/utf8.h"
#include "storage/data_folder.h"
#include "tests/storage/support/temp_file_system.h"

namespace alvena {
namespace {

class ProfileTest : public ::testing::Test {
  protected:
    [[nodiscard]] Utf8Text FileText() { return files.ReadWholeFile(path).value_or("<missing>"); }

    TempFileSystem files;
    const WideText dataFolder = GetDataFolder(files);
    const WideText path = dataFolder + u"\\profile.json";
};

struct SaveCase {
    WideText email;
    WideText name;
    Utf8Text expected;
};

TEST_F(ProfileTest, SavesTheEmailKeyAndTrimmedNameOnOneLine) {
    const SaveCase cases[] = {
        {u"ana@x.es", u"Ana", R"({"email":"ana@x.es","name":"Ana"})"},
        {u"  Ana.PEREZ@Ejemplo.ES ", u"", R"({"email":"ana.perez@ejemplo.es","name":""})"},
        {u"JOSÉ@X.MX", u"  José  ", "{\"email\":\"jos\xC3\x89@x.mx\",\"name\":\"Jos\xC3\xA9\"}"},
        {u"a@b", u"El \"Doc\" \\ M\u00E9ndez\n",
         R"({"email":"a@b","name":"El \"Doc\" \\ M)"
         "\xC3\xA9"
         R"(ndez"})"},
        {u"a@b", u"tab\there", R"({"email":"a@b","name":"tab\there"})"},
    };
    for (const auto& c : cases) {
        SaveProfile(files, dataFolder, c.email, c.name);
        EXPECT_EQ(FileText(), c.expected) << WideToUtf8(c.email);
    }
}

TEST_F(ProfileTest, ReadsBackWhatItSaved) {
    SaveProfile(files, dataFolder, u" Ana@X.es", u"José \"Pepe\" Ñúñez");

    const UserProfile profile = LoadProfile(files, dataFolder);

    EXPECT_EQ(profile.email, u"ana@x.es");
    EXPECT_EQ(profile.name, u"José \"Pepe\" Ñúñez");
}

struct LoadCase {
    const char* name;
    Utf8Text text;
    WideText email;
    WideText userName;
};

TEST_F(ProfileTest, LoadsStringKeysInAnyOrderAndNothingElse) {
    const LoadCase cases[] = {
        {"name only", R"({"name":"x"})", u"", u"x"},
        {"any order and spacing", "{ \"name\" : \"b\" ,\n \"email\" : \"a\" }", u"a", u"b"},
        {"number email", R"({"email":5,"name":"n"})", u"", u"n"},
        {"null email", R"({"email":null})", u"", u""},
        {"empty", "", u"", u""},
        {"not json", "hola", u"", u""},
        {"kept as it stands", R"({"email":" ANA@X.ES "})", u" ANA@X.ES ", u""},
        {"first occurrence", R"({"email":"a","email":"b"})", u"a", u""},
        {"escapes", R"({"email":"a\u00e9\"b"})", u"a\u00E9\"b", u""},
    };
    for (const auto& c : cases) {
        files.PutFile(path, c.text);
        const UserProfile profile = LoadProfile(files, dataFolder);
        EXPECT_EQ(profile.email, c.email) << c.name;
        EXPECT_EQ(profile.name, c.userName) << c.name;
    }
}

TEST_F(ProfileTest, IsEmptyWithoutAFile) {
    const UserProfile profile = LoadProfile(files, dataFolder);

    EXPECT_TRUE(profile.email.empty());
    EXPECT_TRUE(profile.name.empty());
}

TEST_F(ProfileTest, LivesInTheCurrentFolderWithoutARoamingFolder) {
    files.roaming.reset();
    const WideText current = GetDataFolder(files);

    SaveProfile(files, current, u"ana@x.es", u"Ana");

    EXPECT_EQ(files.ReadWholeFile(u".\\profile.json"), R"({"email":"ana@x.es","name":"Ana"})");
    EXPECT_EQ(LoadProfile(files, current).email, u"ana@x.es");
}

}  // namespace
}  // namespace alvena
