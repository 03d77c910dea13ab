#include "storage/history_store.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/utf8.h"
#include "storage/data_folder.h"
#include "storage/history_text.h"
#include "tests/storage/support/failing_file_system.h"
#include "tests/storage/support/fake_stamps.h"
#include "tests/storage/support/temp_file_system.h"

namespace alvena {
namespace {

constexpr char16_t kFirstId[] = u"00000000-0000-4000-8000-000000000001";

class HistoryStoreTest : public ::testing::Test {
  protected:
    void Save(WideView email, WideView title = u"t", WideView detail = u"d") {
        SaveHistoryEntry(files, stamps, dataFolder, email, u"chat", title, detail, detail);
    }

    [[nodiscard]] std::vector<HistoryEntry> Load(WideView email = u"ana@x.es") {
        return LoadHistory(files, dataFolder, email);
    }

    [[nodiscard]] Utf8Text FileText(WideView email = u"ana@x.es") {
        return files.ReadWholeFile(HistoryFilePath(dataFolder, email)).value_or("<missing>");
    }

    TempFileSystem files;
    FakeStamps stamps;
    const WideText dataFolder = GetDataFolder(files);
};

[[nodiscard]] std::vector<WideText> Ids(const std::vector<HistoryEntry>& entries) {
    std::vector<WideText> ids;
    for (const HistoryEntry& entry : entries) {
        ids.push_back(entry.id);
    }
    return ids;
}

TEST_F(HistoryStoreTest, FirstSaveWritesOneEntryOnOneLine) {
    SaveHistoryEntry(files, stamps, dataFolder, u"Ana@X.es", u"laboratorio", u"Hemograma",
                     u"Todo en rango.", u"Todo en rango.\nSin alertas.");

    EXPECT_EQ(FileText(), R"([{"id":"00000000-0000-4000-8000-000000000001","email":"ana@x.es",)"
                          R"("type":"laboratorio","title":"Hemograma","preview":"Todo en rango.",)"
                          R"("detail":"Todo en rango.\nSin alertas.","createdAt":1700000000000}])");
}

struct PathCase {
    WideText email;
    WideText fileName;
};

TEST_F(HistoryStoreTest, NamesTheFileAfterTheEmailsFileKey) {
    const PathCase cases[] = {
        {u"ana@x.es", u"ana@x.es.json"},
        {u"  ANA@X.ES\t", u"ana@x.es.json"},
        {u"a/b c@d", u"a_b_c@d.json"},
        {u"José.Ñandú@correo.mx", u"josé.Ñandú@correo.mx.json"},  // Ñ is not ASCII
        {u"", u".json"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HistoryFilePath(dataFolder, c.email), dataFolder + u"\\history\\" + c.fileName)
            << WideToUtf8(c.email);
    }
}

TEST_F(HistoryStoreTest, AnyFormOfTheEmailSharesOneFileHoldingTheKey) {
    Save(u"  ANA@X.es ");
    Save(u"ana@x.es");

    const std::vector<HistoryEntry> entries = Load(u"Ana@X.ES");

    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].email, u"ana@x.es");
    EXPECT_EQ(entries[1].email, u"ana@x.es");
    EXPECT_EQ(files.List(dataFolder + u"\\history"),
              (std::vector<WideText>{u"ana@x.es.json", u"ana@x.es.json.lock"}));
}

struct CutCase {
    const char* name;
    WideText title;
    WideText preview;
    WideText detail;
    std::size_t titleSize;
    std::size_t previewSize;
    std::size_t detailSize;
};

TEST_F(HistoryStoreTest, CutsTextsToTheirLimits) {
    const CutCase cases[] = {
        {"at the limits", WideText(120, u'á'), WideText(280, u'b'), WideText(12000, u'\n'), 120,
         280, 12000},
        {"one over", WideText(121, u'á'), WideText(281, u'b'), WideText(12001, u'\n'), 120, 280,
         12000},
        {"short", u" a ", u"", u"\r\n", 3, 0, 2},
    };
    for (const auto& c : cases) {
        SaveHistoryEntry(files, stamps, dataFolder, u"ana@x.es", u"chat", c.title, c.preview,
                         c.detail);
        const std::vector<HistoryEntry> entries = Load();
        ASSERT_FALSE(entries.empty()) << c.name;
        const HistoryEntry& saved = entries.front();
        EXPECT_EQ(saved.title, c.title.substr(0, c.titleSize)) << c.name;
        EXPECT_EQ(saved.preview, c.preview.substr(0, c.previewSize)) << c.name;
        EXPECT_EQ(saved.detail, c.detail.substr(0, c.detailSize)) << c.name;
        stamps.now += 1;
    }
}

TEST_F(HistoryStoreTest, ACutThroughASurrogatePairLeavesAReplacementCharacter) {
    const WideText title = WideText(119, u'a') + u"\U0001F600";

    Save(u"ana@x.es", title);

    EXPECT_NE(FileText().find(std::string(119, 'a') + "\xEF\xBF\xBD\""), Utf8Text::npos);
    const std::vector<HistoryEntry> entries = Load();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].title, WideText(119, u'a') + u"\uFFFD");
}

TEST_F(HistoryStoreTest, PutsEachNewEntryFirst) {
    Save(u"ana@x.es", u"uno");
    stamps.now += 1000;
    Save(u"ana@x.es", u"dos");

    const std::vector<HistoryEntry> entries = Load();

    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].title, u"dos");
    EXPECT_EQ(entries[0].createdAt, 1700000001000);
    EXPECT_NE(entries[0].id, entries[1].id);
    EXPECT_EQ(entries[1].title, u"uno");
    EXPECT_EQ(entries[1].createdAt, 1700000000000);
}

TEST_F(HistoryStoreTest, KeepsTwoHundredDroppingTheOldestLoaded) {
    std::vector<HistoryEntry> full;
    for (int i = 200; i >= 1; --i) {
        WideText id = u"e";
        id += Utf8ToWide(std::to_string(i));
        full.push_back({id, u"ana@x.es", u"chat", u"t", u"p", u"d", i * 1000});
    }
    std::rotate(full.begin(), full.begin() + 77, full.end());  // the file need not be sorted
    files.PutFile(HistoryFilePath(dataFolder, u"ana@x.es"), HistoryJson(full));
    stamps.now = 50500;  // a clock set back: the new entry is not the newest by time

    Save(u"ana@x.es");

    const Utf8Text text = FileText();
    EXPECT_EQ(text.rfind(R"([{"id":"00000000-0000-4000-8000-000000000001")", 0), 0u);
    const std::vector<WideText> ids = Ids(Load());
    ASSERT_EQ(ids.size(), 200u);
    EXPECT_NE(std::find(ids.begin(), ids.end(), kFirstId), ids.end());
    EXPECT_NE(std::find(ids.begin(), ids.end(), u"e2"), ids.end());
    EXPECT_EQ(std::find(ids.begin(), ids.end(), u"e1"), ids.end());
}

TEST_F(HistoryStoreTest, RewritesTheFileInItsOwnForm) {
    files.PutFile(HistoryFilePath(dataFolder, u"ana@x.es"),
                  "[\n {\"createdAt\": \"7\", \"id\": \"old\", \"extra\": {\"a\": 1}},\n"
                  " {\"title\": \"sin id\"},\n"
                  " {\"id\":\"other\",\"email\":\"otra@x.es\",\"createdAt\":9}\n]\n");

    Save(u"ana@x.es", u"nuevo", u"x");

    EXPECT_EQ(FileText(),
              R"([{"id":"00000000-0000-4000-8000-000000000001","email":"ana@x.es","type":"chat",)"
              R"("title":"nuevo","preview":"x","detail":"x","createdAt":1700000000000},)"
              R"({"id":"other","email":"otra@x.es","type":"","title":"","preview":"","detail":"",)"
              R"("createdAt":9},)"
              R"({"id":"old","email":"","type":"","title":"","preview":"","detail":"",)"
              R"("createdAt":7}])");
}

// A chat question that is just the word createdAt becomes the title, which then stands in
// front of the createdAt key of its entry. Its time must survive the next save.
TEST_F(HistoryStoreTest, KeepsTheTimeOfAnEntryTitledCreatedAt) {
    stamps.now = 1000;
    Save(u"ana@x.es", u"createdAt", u"createdAt");
    stamps.now = 2000;
    Save(u"ana@x.es");
    stamps.now = 3000;
    Save(u"ana@x.es");

    const std::vector<HistoryEntry> entries = Load();

    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].title, u"createdAt");
    EXPECT_EQ(entries[2].createdAt, 1000);
    EXPECT_NE(FileText().find(R"("title":"createdAt","preview":"createdAt","detail":"createdAt",)"
                              R"("createdAt":1000})"),
              Utf8Text::npos);
}

struct DamageCase {
    const char* name;
    Utf8Text file;
};

// The reading keeps the complete entries in front of the damage; the rest of the bytes are kept
// exactly, once, beside the file, also when the first try's rename was refused.
TEST_F(HistoryStoreTest, KeepsTheBytesOfADamagedFileBesideItOnce) {
    const Utf8Text a = R"({"id":"a","email":"ana@x.es","type":"chat","title":"t","preview":"p",)"
                       R"("detail":"d","createdAt":5})";
    const DamageCase cases[] = {
        {"cut short", "[" + a + R"(,{"id":"b","title":"x)"},
        {"stray bytes", "[" + a + Utf8Text("]\xFF\0x", 4)},
        {"an object without its end", "[" + a + R"(,{"id":"b",{"id":"c"}])"},
        {"written by other hands", "[ " + a + " ]\n"},
        {"an entry without id", "[" + a + R"(,{"title":"sin id"}])"},
    };
    std::vector<WideText> expectedNames;
    int n = 0;
    for (const auto& c : cases) {
        const WideText email = u"caso" + Utf8ToWide(std::to_string(++n)) + u"@x.es";
        files.PutFile(HistoryFilePath(dataFolder, email), c.file);
        stamps.now = 1700000000000 + n;

        FailingFileSystem renameHeld(files, WriteFault::kMove);
        renameHeld.passFirst = 1;  // the copy is made, the history's rename refused
        EXPECT_EQ(
            SaveHistoryEntry(renameHeld, stamps, dataFolder, email, u"chat", u"nuevo", u"d", u"d"),
            FileFailure::kHeld)
            << c.name;
        Save(email, u"nuevo");
        stamps.now += 1000;
        Save(email, u"otro");

        const std::vector<HistoryEntry> entries = Load(email);
        ASSERT_EQ(entries.size(), 3u) << c.name;
        EXPECT_EQ(entries[2].id, u"a") << c.name;
        const WideText copy = HistoryFilePath(dataFolder, email) + u"." +
                              Utf8ToWide(std::to_string(1700000000000 + n)) + u".damaged";
        EXPECT_EQ(files.ReadWholeFile(copy), c.file) << c.name;
        expectedNames.push_back(email + u".json");
        expectedNames.push_back(email + u".json.lock");
        expectedNames.push_back(copy.substr(dataFolder.size() + 9));
    }
    std::sort(expectedNames.begin(), expectedNames.end());
    EXPECT_EQ(files.List(dataFolder + u"\\history"), expectedNames);
}

// Whatever the program wrote reads back to the same bytes: lone surrogates, a clock set back
// (the file's order is then not the reading's), texts that need escapes, an empty text.
TEST_F(HistoryStoreTest, NeverCopiesAFileItWroteItself) {
    Save(u"ana@x.es",
         u"a\xD800"
         u"b",
         u"");
    stamps.now -= 5000;
    Save(u"ana@x.es", u"createdAt", u"\"}\\\r\n\x01é");
    stamps.now += 1;
    Save(u"ana@x.es");

    EXPECT_EQ(files.List(dataFolder + u"\\history"),
              (std::vector<WideText>{u"ana@x.es.json", u"ana@x.es.json.lock"}));
}

TEST_F(HistoryStoreTest, NamesTheEntryIdWhenNoUuidCanBeMade) {
    stamps.idsAvailable = false;

    Save(u"ana@x.es");

    EXPECT_EQ(Ids(Load()), std::vector<WideText>{u"id"});
}

TEST_F(HistoryStoreTest, LoadsNothingWithoutAReadableFile) {
    EXPECT_TRUE(Load().empty());

    std::filesystem::create_directory(files.HostPath(HistoryFilePath(dataFolder, u"ana@x.es")));
    EXPECT_TRUE(Load().empty());
}

TEST_F(HistoryStoreTest, SavesNothingInTheCurrentFolderWithoutAHistoryFolder) {
    files.roaming.reset();
    const WideText current = GetDataFolder(files);

    SaveHistoryEntry(files, stamps, current, u"ana@x.es", u"chat", u"t", u"p", u"d");
    EXPECT_TRUE(LoadHistory(files, current, u"ana@x.es").empty());

    files.CreateFolder(u".\\history");
    SaveHistoryEntry(files, stamps, current, u"ana@x.es", u"chat", u"t", u"p", u"d");
    EXPECT_EQ(LoadHistory(files, current, u"ana@x.es").size(), 1u);
}

}  // namespace
}  // namespace alvena
