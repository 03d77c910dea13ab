#include "storage/draft.h"

#include <vector>

#include <gtest/gtest.h>

#include "storage/data_folder.h"
#include "tests/storage/support/temp_file_system.h"

namespace alvena {
namespace {

class DraftTest : public ::testing::Test {
  protected:
    TempFileSystem files;
    const WideText dataFolder = GetDataFolder(files);
    const std::vector<WideText> keys = {u"1202", u"1205", u"1301", u"1303"};
};

// What was typed comes back once, exactly, from a one-line file named after the email, for the
// keys asked that the file holds; then neither the file nor the drafts folder is left.
TEST_F(DraftTest, GivesBackWhatWasTypedOnceAndLeavesNoFolder) {
    const std::vector<DraftField> typed = {
        {u"1202", u"¿Fiebre \"alta\"?\r\nDesde ayer \\ hoy."},
        {u"1205", u"1"},
        {u"1301", u""},
        {u"1303", u"2"},
    };
    std::vector<DraftField> saved = typed;
    saved.insert(saved.begin() + 2, {u"9999", u"x"});  // a key nobody asks for
    ASSERT_EQ(SaveDraft(files, dataFolder, u" Ana@X.es ", saved), FileFailure::kNone);
    EXPECT_EQ(files.ReadWholeFile(dataFolder + u"\\drafts\\ana@x.es.json"),
              R"({"email":"ana@x.es","1202":"¿Fiebre \"alta\"?\r\nDesde ayer \\ hoy.",)"
              R"("1205":"1","9999":"x","1301":"","1303":"2"})");

    std::vector<WideText> asked = keys;
    asked.push_back(u"1404");  // a key the file lacks
    EXPECT_EQ(TakeDraft(files, dataFolder, u"ana@x.es", asked), typed);
    EXPECT_TRUE(TakeDraft(files, dataFolder, u"ana@x.es", keys).empty());
    EXPECT_EQ(files.List(dataFolder), std::vector<WideText>{u"history"});
}

// Another user's draft is never shown: a file of another email, or of one sharing the file key,
// stays where it is, and the folder with it.
TEST_F(DraftTest, KeepsOtherUsersDraftsToThemselves) {
    ASSERT_EQ(SaveDraft(files, dataFolder, u"ana/x@x.es", {{u"1202", u"de Ana"}}),
              FileFailure::kNone);
    ASSERT_EQ(SaveDraft(files, dataFolder, u"luis@x.es", {{u"1202", u"de Luis"}}),
              FileFailure::kNone);

    EXPECT_TRUE(TakeDraft(files, dataFolder, u"ana_x@x.es", keys).empty());
    EXPECT_EQ(TakeDraft(files, dataFolder, u"luis@x.es", keys),
              (std::vector<DraftField>{{u"1202", u"de Luis"}}));
    EXPECT_EQ(files.List(dataFolder + u"\\drafts"), std::vector<WideText>{u"ana_x@x.es.json"});
    EXPECT_EQ(TakeDraft(files, dataFolder, u"ana/x@x.es", keys),
              (std::vector<DraftField>{{u"1202", u"de Ana"}}));
    EXPECT_EQ(files.List(dataFolder), std::vector<WideText>{u"history"});
}

}  // namespace
}  // namespace alvena
