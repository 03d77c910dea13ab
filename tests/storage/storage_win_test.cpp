#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/utf8.h"
#include "protocol/wide_text_win.h"
#include "storage/data_folder.h"
#include "storage/history_store.h"
#include "storage/lock_name.h"
#include "storage/profile.h"
#include "storage/replace_file.h"

namespace alvena {
namespace {

[[nodiscard]] WideText EnvironmentVariable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    return FromWinText(value.c_str(), length < size ? length : 0);
}

[[nodiscard]] bool IsFolder(const WideText& path) {
    const DWORD attributes = GetFileAttributesW(AsWinText(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Owns a handle that CloseHandle or FindClose releases.
template <BOOL(WINAPI* kRelease)(HANDLE)>
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            kRelease(handle_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    [[nodiscard]] HANDLE get() const { return handle_; }
    [[nodiscard]] bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

// Names in a folder exactly as the file system holds them.
[[nodiscard]] std::vector<WideText> List(const WideText& folder) {
    std::vector<WideText> names;
    WIN32_FIND_DATAW found{};
    const Handle<FindClose> search(FindFirstFileW(AsWinText(folder + u"\\*"), &found));
    for (bool more = search.IsValid(); more; more = FindNextFileW(search.get(), &found) != FALSE) {
        const WideText name = FromWinText(found.cFileName, std::wcslen(found.cFileName));
        if (name != u"." && name != u"..") {
            names.push_back(name);
        }
    }
    return names;
}

// 8-4-4-4-12 lower-case hex digits, version 4, RFC 4122 variant.
[[nodiscard]] bool IsRandomUuidText(const WideText& id) {
    if (id.size() != 36) {
        return false;
    }
    for (std::size_t i = 0; i < id.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (id[i] >= u'0' && id[i] <= u'9') || (id[i] >= u'a' && id[i] <= u'f');
        if (dash ? id[i] != u'-' : !hex) {
            return false;
        }
    }
    return id[14] == u'4' && WideText(u"89ab").find(id[19]) != WideText::npos;
}

[[nodiscard]] std::int64_t ClockMs() {
    using std::chrono::milliseconds;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<milliseconds>(now).count();
}

// A fresh folder under the user's temporary folder, removed with its content afterwards.
class ScratchFolder {
  public:
    explicit ScratchFolder(WideView name) {
        wchar_t temp[MAX_PATH + 1] = {};
        path_ = FromWinText(temp, GetTempPathW(MAX_PATH + 1, temp)) + u"alvena-" +
                Utf8ToWide(std::to_string(GetCurrentProcessId())) + u"-" + WideText(name);
        std::filesystem::remove_all(std::filesystem::path(path_));
        CreateDirectoryW(AsWinText(path_), nullptr);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(path_), ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    [[nodiscard]] WideText operator/(WideView name) const { return path_ + u"\\" + WideText(name); }
    [[nodiscard]] const WideText& path() const { return path_; }

  private:
    WideText path_;
};

// Another program holding a file open.
[[nodiscard]] HANDLE OpenAsAnotherProgram(const WideText& path, DWORD access, DWORD share) {
    return CreateFileW(AsWinText(path), access, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(SystemStorageTest, BuildsTheDataFolderChainUnderTheRoamingFolder) {
    const WideText dataFolder = GetDataFolder();

    EXPECT_EQ(dataFolder, EnvironmentVariable(L"APPDATA") + u"\\VeltranoSystems\\Alvena");
    EXPECT_TRUE(IsFolder(dataFolder + u"\\history"));

    // Seen from the host through Wine's drive Z:, the chain is inside the test's own prefix.
    const char* envDir = std::getenv("ALVENA_TEST_ENV_DIR");
    if (envDir == nullptr) {
        GTEST_SKIP() << "not running in a Wine test prefix";
    }
    WideText host = u"Z:" + Utf8ToWide(envDir) + u"/prefix/drive_c/users/" +
                    EnvironmentVariable(L"USERNAME") +
                    u"/AppData/Roaming/VeltranoSystems/Alvena/history";
    std::replace(host.begin(), host.end(), u'/', u'\\');
    EXPECT_TRUE(IsFolder(host)) << WideToUtf8(host);
}

TEST(SystemStorageTest, SavesUuidIdsAndTheTimeUnderTheExactWideFileName) {
    const WideText dataFolder = GetDataFolder();
    const WideText email = u"José.Ñandú+Prueba@Clínica.es";
    DeleteFileW(AsWinText(HistoryFilePath(dataFolder, email)));  // left by an earlier run
    const std::int64_t before = ClockMs();

    SaveHistoryEntry(dataFolder, email, u"chat", u"¿Fiebre?", u"Una señal.", u"Una señal.");
    SaveHistoryEntry(dataFolder, email, u"chat", u"¿Tos?", u"Otra señal.", u"Otra señal.");

    const std::int64_t after = ClockMs();
    const std::vector<HistoryEntry> entries = LoadHistory(dataFolder, email);
    ASSERT_EQ(entries.size(), 2u);
    for (const HistoryEntry& entry : entries) {
        EXPECT_TRUE(IsRandomUuidText(entry.id)) << WideToUtf8(entry.id);
        EXPECT_GE(entry.createdAt, before - 1000);
        EXPECT_LE(entry.createdAt, after + 1000);
    }
    EXPECT_NE(entries[0].id, entries[1].id);
    const std::vector<WideText> names = List(dataFolder + u"\\history");
    EXPECT_NE(std::find(names.begin(), names.end(), u"josé.Ñandú+prueba@clínica.es.json"),
              names.end());
}

TEST(SystemFileSystemTest, ReplacesFilesUnderNamesOutsideEveryCodePage) {
    ScratchFolder scratch(u"nombres");
    FileSystem& files = SystemFileSystem();
    const WideText folder = scratch / u"Ñandú 中文 Ωμέγα \U0001F600";
    const WideText path = folder + u"\\perfil \u2603.json";

    files.CreateFolder(folder);
    ASSERT_TRUE(ReplaceFileContent(files, path, std::string(100000, 'x')));
    ASSERT_TRUE(ReplaceFileContent(files, path, "contenido \xC3\xB1"));

    EXPECT_EQ(List(scratch.path()), std::vector<WideText>{u"Ñandú 中文 Ωμέγα \U0001F600"});
    EXPECT_EQ(List(folder), std::vector<WideText>{u"perfil \u2603.json"});
    EXPECT_EQ(files.ReadWholeFile(path), "contenido \xC3\xB1");
}

TEST(SystemFileSystemTest, ReadsFilesOthersHoldOpenButNotFolders) {
    ScratchFolder scratch(u"lectura");
    FileSystem& files = SystemFileSystem();
    const WideText path = scratch / u"f.json";
    ASSERT_TRUE(ReplaceFileContent(files, path, "[]"));

    const Handle<CloseHandle> other(OpenAsAnotherProgram(path, GENERIC_READ | GENERIC_WRITE,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE));
    ASSERT_TRUE(other.IsValid());

    EXPECT_EQ(files.ReadWholeFile(path), "[]");
    EXPECT_EQ(files.ReadWholeFile(scratch / u"no.json"), std::nullopt);
    EXPECT_EQ(files.ReadWholeFile(scratch.path()), std::nullopt);
}

// Two saves of one file at the same moment: the second cannot open the temporary file that the
// first is writing, and leaves it alone.
TEST(SystemFileSystemTest, ASecondWriterKeepsOffTheTemporaryFileInUse) {
    ScratchFolder scratch(u"dos");
    FileSystem& files = SystemFileSystem();
    const WideText path = scratch / u"f.json";

    std::unique_ptr<WritableFile> first = files.CreateForWriting(TemporaryPathFor(path));
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(ReplaceFileContent(files, path, "segundo"));
    ASSERT_TRUE(first->Write("primero") && first->Flush() && first->Close());

    ASSERT_TRUE(files.MoveReplacing(TemporaryPathFor(path), path));
    EXPECT_EQ(files.ReadWholeFile(path), "primero");
}

// Windows 10 opens a device for a name that is CON, PRN, AUX, NUL, COM1-9 or LPT1-9 up to its
// first dot, and refuses paths past 260 units: ordinary emails give both.
TEST(SystemStorageTest, SavesHistoriesWhoseNamesWindowsWouldTakeForDevices) {
    ScratchFolder scratch(u"dispositivos");
    SystemFileSystem().CreateFolder(scratch / u"history");
    const WideText longEmail = WideText(270 - scratch.path().size(), u'a') + u"@clinica.es";
    // The AUX port last: a save that reaches it blocks instead of failing.
    for (const WideText& email :
         {WideText(u"nul.guardia@hospital.es"), WideText(u"con.sulta@hospital.es"), longEmail,
          WideText(u"aux.enfermeria@clinica.es")}) {
        const WideText path = HistoryFilePath(scratch.path(), email);
        SaveHistoryEntry(scratch.path(), email, u"chat", u"t", u"p", u"d");
        SaveHistoryEntry(scratch.path(), email, u"chat", u"t", u"p", u"d");

        EXPECT_EQ(LoadHistory(scratch.path(), email).size(), 2u) << WideToUtf8(email);
        const std::vector<WideText> names = List(scratch / u"history");
        EXPECT_NE(std::find(names.begin(), names.end(), email + u".json"), names.end())
            << WideToUtf8(email);
        SystemFileSystem().RemoveFile(path);  // ScratchFolder's plain paths cannot
    }
    EXPECT_GT(HistoryFilePath(scratch.path(), longEmail).size(), 260u);
}

struct HoldCase {
    const char* name;
    DWORD share;  // what the other program lets others do while it holds the file
    bool letsGoSoon;
};

// A virus scanner or indexer opens a file just written and holds it for a moment: a save waits it
// out. One that holds on past the retries makes the save fail cleanly.
TEST(SystemStorageTest, ASaveWaitsOutAProgramHoldingTheHistoryFile) {
    const HoldCase cases[] = {
        {"reading, half a second", FILE_SHARE_READ, true},
        {"alone, half a second", 0, true},
        {"reading, past the retries", FILE_SHARE_READ, false},
        {"alone, past the retries", 0, false},
    };
    for (const auto& c : cases) {
        ScratchFolder scratch(u"retenido");
        SystemFileSystem().CreateFolder(scratch / u"history");
        const WideText path = HistoryFilePath(scratch.path(), u"ana@clinica.es");
        SaveHistoryEntry(scratch.path(), u"ana@clinica.es", u"chat", u"uno", u"p", u"d");
        const std::optional<Utf8Text> before = SystemFileSystem().ReadWholeFile(path);

        std::promise<void> holding;
        std::promise<void> saved;
        std::thread scanner([&, future = saved.get_future()] {
            const Handle<CloseHandle> held(OpenAsAnotherProgram(path, GENERIC_READ, c.share));
            holding.set_value();
            if (c.letsGoSoon) {
                future.wait_for(std::chrono::milliseconds(500));
            } else {
                future.wait();
            }
        });
        holding.get_future().wait();
        SaveHistoryEntry(scratch.path(), u"ana@clinica.es", u"chat", u"dos", u"p", u"d");
        saved.set_value();
        scanner.join();

        const std::vector<HistoryEntry> entries = LoadHistory(scratch.path(), u"ana@clinica.es");
        if (c.letsGoSoon) {
            ASSERT_EQ(entries.size(), 2u) << c.name;
            EXPECT_EQ(entries[0].title, u"dos") << c.name;
        } else {
            EXPECT_EQ(SystemFileSystem().ReadWholeFile(path), before) << c.name;
        }
        EXPECT_EQ(List(scratch / u"history"), std::vector<WideText>{u"ana@clinica.es.json"})
            << c.name;
    }
}

// The lock's name taken by an object of another kind, or its holder keeping it past the wait:
// the save goes on without it.
TEST(SystemStorageTest, SavesWhenTheSaveLockCannotBeHad) {
    ScratchFolder scratch(u"sin-cerrojo");
    SystemFileSystem().CreateFolder(scratch / u"history");
    const WideText& dataFolder = scratch.path();
    const WideText profile = dataFolder + u"\\profile.json";
    const Handle<CloseHandle> squatter(
        CreateEventW(nullptr, TRUE, FALSE, AsWinText(SaveLockName(profile))));
    const Handle<CloseHandle> squatter2(CreateEventW(
        nullptr, TRUE, FALSE, AsWinText(SaveLockName(HistoryFilePath(dataFolder, u"ana@x.es")))));
    ASSERT_NE(squatter.get(), nullptr);
    ASSERT_NE(squatter2.get(), nullptr);

    SaveProfile(dataFolder, u"ana@x.es", u"Ana");
    SaveHistoryEntry(dataFolder, u"ana@x.es", u"chat", u"t", u"p", u"d");

    EXPECT_EQ(LoadProfile(dataFolder).email, u"ana@x.es");
    EXPECT_EQ(LoadHistory(dataFolder, u"ana@x.es").size(), 1u);

    std::promise<bool> taken;
    std::promise<void> saved;
    std::thread holder([&, future = saved.get_future()] {
        const std::unique_ptr<FileLock> lock = SystemFileSystem().LockFile(
            HistoryFilePath(dataFolder, u"luis@x.es"), std::chrono::milliseconds(0));
        taken.set_value(lock != nullptr);
        future.wait();
    });
    const bool held = taken.get_future().get();
    SaveHistoryEntry(dataFolder, u"luis@x.es", u"chat", u"t", u"p", u"d");
    saved.set_value();
    holder.join();
    EXPECT_TRUE(held);
    EXPECT_EQ(LoadHistory(dataFolder, u"luis@x.es").size(), 1u);
}

// Two copies of the program, played by two threads on the real file calls, each saving many
// consultations into one history: no save may lose another's entry or leave its temporary file.
TEST(SystemStorageTest, TwoCopiesSavingIntoOneHistoryKeepEveryEntry) {
    ScratchFolder scratch(u"dos-copias");
    SystemFileSystem().CreateFolder(scratch / u"history");
    constexpr int kSavesEach = 60;
    const auto saveMany = [&](char16_t copy) {
        for (int i = 0; i < kSavesEach; ++i) {
            WideText title(1, copy);
            title += Utf8ToWide(std::to_string(i));
            SaveHistoryEntry(scratch.path(), u"ana@clinica.es", u"chat", title, u"p", u"d");
        }
    };
    std::thread other(saveMany, u'b');
    saveMany(u'a');
    other.join();

    std::set<WideText> titles;
    std::set<WideText> ids;
    for (const HistoryEntry& entry : LoadHistory(scratch.path(), u"ana@clinica.es")) {
        titles.insert(entry.title);
        ids.insert(entry.id);
    }
    EXPECT_EQ(titles.size(), 2u * kSavesEach);
    EXPECT_EQ(ids.size(), 2u * kSavesEach);
    EXPECT_EQ(List(scratch / u"history"), std::vector<WideText>{u"ana@clinica.es.json"});
}

// The lock waits for its holder, gives up when the wait runs out, and is taken over from a holder
// that ended without letting go, as a copy that crashed mid-save does.
TEST(SystemFileSystemTest, AFileLockWaitsForItsHolderButNotForOneThatEnded) {
    ScratchFolder scratch(u"cerrojo");
    FileSystem& files = SystemFileSystem();
    const WideText path = scratch / u"f.json";
    using std::chrono::milliseconds;

    std::promise<void> taken;
    std::promise<void> letGo;
    std::thread holder([&] {
        const std::unique_ptr<FileLock> lock = files.LockFile(path, milliseconds(0));
        taken.set_value();
        letGo.get_future().wait();
    });
    taken.get_future().wait();
    EXPECT_EQ(files.LockFile(path, milliseconds(100)), nullptr);
    EXPECT_NE(files.LockFile(scratch / u"otro.json", milliseconds(0)), nullptr);
    letGo.set_value();
    EXPECT_NE(files.LockFile(path, milliseconds(10000)), nullptr);
    holder.join();

    std::unique_ptr<FileLock> abandoned;
    std::thread([&] {
        abandoned = files.LockFile(path, milliseconds(0));
    }).join();  // ends still holding
    ASSERT_NE(abandoned, nullptr);
    EXPECT_NE(files.LockFile(path, milliseconds(10000)), nullptr);
}

}  // namespace
}  // namespace alvena
