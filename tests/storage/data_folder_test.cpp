#include "storage/data_folder.h"

#include <gtest/gtest.h>

#include "tests/storage/support/temp_file_system.h"

namespace alvena {
namespace {

constexpr char16_t kRoaming[] = u"C:\\Users\\Ana\\AppData\\Roaming";

TEST(GetDataFolderTest, IsUnderTheRoamingFolderWithItsChainCreated) {
    TempFileSystem files;
    const WideText roaming = kRoaming;

    EXPECT_EQ(GetDataFolder(files), roaming + u"\\VeltranoSystems\\Alvena");
    EXPECT_TRUE(files.IsFolder(roaming + u"\\VeltranoSystems\\Alvena\\history"));
}

TEST(GetDataFolderTest, IsTheCurrentFolderWithoutARoamingFolder) {
    TempFileSystem files;
    files.roaming.reset();

    EXPECT_EQ(GetDataFolder(files), u".");
    // Only the company folder appears in the current folder; no history folder is made there.
    EXPECT_EQ(files.List(u"."), std::vector<WideText>{u"VeltranoSystems"});
    EXPECT_TRUE(files.List(u".\\VeltranoSystems").empty());
}

TEST(EnsureDataFoldersTest, RebuildsAChainThatWasRemoved) {
    TempFileSystem files;
    const WideText dataFolder = GetDataFolder(files);
    std::filesystem::remove_all(files.HostPath(WideText(kRoaming) + u"\\VeltranoSystems"));

    EnsureDataFolders(files, dataFolder);

    EXPECT_TRUE(files.IsFolder(dataFolder + u"\\history"));
}

TEST(EnsureDataFoldersTest, BuildsTheChainUnderTheRoamingFolderOfTheMoment) {
    TempFileSystem files;
    const WideText dataFolder = GetDataFolder(files);
    const WideText moved = u"C:\\Users\\Ana\\Moved";
    std::filesystem::create_directories(files.HostPath(moved));
    files.roaming = moved;

    EnsureDataFolders(files, dataFolder);

    EXPECT_TRUE(files.IsFolder(moved + u"\\VeltranoSystems\\Alvena\\history"));
}

TEST(EnsureDataFoldersTest, MakesTheCompanyFolderBesideAnyOtherDataFolder) {
    TempFileSystem files;
    std::filesystem::create_directories(files.HostPath(u"D:\\Datos"));
    std::filesystem::create_directories(files.HostPath(u"D:\\Otro"));

    EnsureDataFolders(files, u"D:\\Datos\\VeltranoSystems\\Alvena");
    EnsureDataFolders(files, u"D:\\Otro");  // without the company folder: beside the whole path

    EXPECT_TRUE(files.IsFolder(u"D:\\Datos\\VeltranoSystems"));
    EXPECT_FALSE(files.IsFolder(u"D:\\Datos\\VeltranoSystems\\Alvena"));
    EXPECT_TRUE(files.IsFolder(u"D:\\Otro\\VeltranoSystems"));
    EXPECT_TRUE(files.IsFolder(WideText(kRoaming) + u"\\VeltranoSystems\\Alvena\\history"));
}

}  // namespace
}  // namespace alvena
