#include "storage/extended_path.h"

#include <gtest/gtest.h>

#include "protocol/utf8.h"

namespace alvena {
namespace {

struct PathCase {
    WideText path;
    WideText extended;
};

TEST(ExtendedPathTest, PrefixesOnlyPathsWindowsWouldTakeAsWritten) {
    const PathCase cases[] = {
        {u"C:\\Users\\Ana\\AppData\\Roaming\\VeltranoSystems\\Alvena\\history\\aux.x@y.es.json",
         u"\\\\?\\C:\\Users\\Ana\\AppData\\Roaming\\VeltranoSystems\\Alvena\\history\\aux.x@y.es."
         u"json"},
        {u"z:\\nul.json", u"\\\\?\\z:\\nul.json"},
        {u"\\\\servidor\\perfiles\\ana\\profile.json",
         u"\\\\?\\UNC\\servidor\\perfiles\\ana\\profile.json"},
        // Already extended, or a device path.
        {u"\\\\?\\C:\\a.json", u"\\\\?\\C:\\a.json"},
        {u"\\\\.\\pipe\\x", u"\\\\.\\pipe\\x"},
        // Relative, drive-relative, rooted without a drive: left to Windows.
        {u".\\history\\ana.json", u".\\history\\ana.json"},
        {u"C:history\\a.json", u"C:history\\a.json"},
        {u"\\history\\a.json", u"\\history\\a.json"},
        {u"", u""},
        // Forms Windows tidies: kept so that they name the same file as before.
        {u"C:\\a\\..\\b.json", u"C:\\a\\..\\b.json"},
        {u"C:\\a\\.\\b.json", u"C:\\a\\.\\b.json"},
        {u"C:\\a\\\\b.json", u"C:\\a\\\\b.json"},
        {u"C:/a/b.json", u"C:/a/b.json"},
        {u"C:\\a.\\b.json", u"C:\\a.\\b.json"},
        {u"C:\\a \\b.json", u"C:\\a \\b.json"},
        {u"C:\\a\\", u"C:\\a\\"},
        {u"C:\\", u"C:\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtendedLengthPath(c.path), c.extended) << WideToUtf8(c.path);
    }
}

}  // namespace
}  // namespace alvena
