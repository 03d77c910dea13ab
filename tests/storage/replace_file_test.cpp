#include "storage/replace_file.h"

#include <vector>

#include <gtest/gtest.h>

#include "storage/data_folder.h"
#include "storage/history_store.h"
#include "storage/profile.h"
#include "tests/storage/support/failing_file_system.h"
#include "tests/storage/support/fake_stamps.h"
#include "tests/storage/support/temp_file_system.h"

namespace alvena {
namespace {

struct FaultCase {
    const char* name;
    WriteFault fault;
};

constexpr FaultCase kFaults[] = {
    {"create", WriteFault::kCreate}, {"write", WriteFault::kWrite}, {"flush", WriteFault::kFlush},
    {"close", WriteFault::kClose},   {"move", WriteFault::kMove},
};
// A history save reads the file first: one it cannot read must not be replaced.
constexpr FaultCase kHistoryFaults[] = {
    {"create", WriteFault::kCreate}, {"write", WriteFault::kWrite}, {"flush", WriteFault::kFlush},
    {"close", WriteFault::kClose},   {"move", WriteFault::kMove},   {"read", WriteFault::kRead},
    {"lock", WriteFault::kLock},
};

class ReplaceFileTest : public ::testing::Test {
  protected:
    TempFileSystem files;
    FakeStamps stamps;
    const WideText dataFolder = GetDataFolder(files);
    const WideText historyFolder = dataFolder + u"\\history";
};

TEST_F(ReplaceFileTest, ReplacesTheWholeContent) {
    const WideText path = dataFolder + u"\\f.json";
    files.PutFile(path, "a much longer old content");

    ASSERT_EQ(ReplaceFileContent(files, path, "new"), FileFailure::kNone);
    EXPECT_EQ(files.ReadWholeFile(path), "new");
    ASSERT_EQ(ReplaceFileContent(files, path, ""), FileFailure::kNone);
    EXPECT_EQ(files.ReadWholeFile(path), "");
    EXPECT_EQ(files.List(dataFolder), (std::vector<WideText>{u"f.json", u"history"}));
    EXPECT_EQ(ReplaceFileContent(files, dataFolder + u"\\no\\f.json", "x"),
              FileFailure::kUnavailable);
}

TEST_F(ReplaceFileTest, AFailedHistorySaveLeavesThePreviousFileAsItWas) {
    for (const auto& c : kHistoryFaults) {
        SaveHistoryEntry(files, stamps, dataFolder, u"ana@x.es", u"chat", u"uno",
                         u"Texto con acentos: ñandú, corazón.", u"Texto con acentos.\nSegunda.");
        const Utf8Text before = *files.ReadWholeFile(HistoryFilePath(dataFolder, u"ana@x.es"));
        const std::vector<WideText> namesBefore = files.List(historyFolder);

        FailingFileSystem failing(files, c.fault);
        SaveHistoryEntry(failing, stamps, dataFolder, u"ana@x.es", u"chat", u"dos", u"p", u"d");

        EXPECT_EQ(files.ReadWholeFile(HistoryFilePath(dataFolder, u"ana@x.es")), before) << c.name;
        EXPECT_EQ(files.List(historyFolder), namesBefore) << c.name;
    }
}

TEST_F(ReplaceFileTest, AFailedProfileSaveLeavesThePreviousFileAsItWas) {
    const WideText path = dataFolder + u"\\profile.json";
    for (const auto& c : kFaults) {
        SaveProfile(files, dataFolder, u"ana@x.es", u"Ana María Núñez");
        const Utf8Text before = *files.ReadWholeFile(path);
        const std::vector<WideText> namesBefore = files.List(dataFolder);

        FailingFileSystem failing(files, c.fault);
        SaveProfile(failing, dataFolder, u"otro@x.es", u"Otro");

        EXPECT_EQ(files.ReadWholeFile(path), before) << c.name;
        EXPECT_EQ(files.List(dataFolder), namesBefore) << c.name;
        EXPECT_EQ(LoadProfile(files, dataFolder).email, u"ana@x.es") << c.name;
    }
}

TEST_F(ReplaceFileTest, AFailedFirstSaveLeavesNoFileButTheLock) {
    for (const auto& c : kFaults) {
        FailingFileSystem failing(files, c.fault);
        EXPECT_NE(
            SaveHistoryEntry(failing, stamps, dataFolder, u"ana@x.es", u"chat", u"t", u"p", u"d"),
            FileFailure::kNone)
            << c.name;
        SaveProfile(failing, dataFolder, u"ana@x.es", u"Ana");

        EXPECT_EQ(files.List(historyFolder), std::vector<WideText>{u"ana@x.es.json.lock"})
            << c.name;
        EXPECT_EQ(files.List(dataFolder), std::vector<WideText>{u"history"}) << c.name;
    }
}

// A save cut short by a crash or power cut leaves its temporary file behind; the next save must
// neither trip over it nor take its content, nor remove a file that may be another copy's.
TEST_F(ReplaceFileTest, ASaveAfterAnInterruptedOneStartsAfresh) {
    SaveHistoryEntry(files, stamps, dataFolder, u"ana@x.es", u"chat", u"uno", u"p", u"d");
    const WideText path = HistoryFilePath(dataFolder, u"ana@x.es");
    const WideText leftover = TemporaryPathFor(path, u"77-other", 1);
    files.PutFile(leftover, R"([{"id":"half-writ)");

    SaveHistoryEntry(files, stamps, dataFolder, u"ana@x.es", u"chat", u"dos", u"p", u"d");

    EXPECT_EQ(files.List(historyFolder),
              (std::vector<WideText>{u"ana@x.es.json", u"ana@x.es.json.lock", u"~77-other-1.tmp"}));
    EXPECT_EQ(LoadHistory(files, dataFolder, u"ana@x.es").size(), 2u);
}

}  // namespace
}  // namespace alvena
