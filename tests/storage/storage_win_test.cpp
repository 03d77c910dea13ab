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
#include "storage/history_saver.h"
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
    ASSERT_EQ(ReplaceFileContent(files, path, std::string(100000, 'x')), FileFailure::kNone);
    ASSERT_EQ(ReplaceFileContent(files, path, "contenido \xC3\xB1"), FileFailure::kNone);

    EXPECT_EQ(List(scratch.path()), std::vector<WideText>{u"Ñandú 中文 Ωμέγα \U0001F600"});
    EXPECT_EQ(List(folder), std::vector<WideText>{u"perfil \u2603.json"});
    EXPECT_EQ(files.ReadWholeFile(path), "contenido \xC3\xB1");
}

// Only a file missing from a folder that is there is not found; a folder that is gone (a
// redirected profile's share, a DFS link) or in the file's place is unavailable, and a file
// another program keeps to itself is held.
TEST(SystemFileSystemTest, ReadsFilesOthersHoldOpenAndTellsWhyOthersCannotBeRead) {
    ScratchFolder scratch(u"lectura");
    FileSystem& files = SystemFileSystem();
    const WideText path = scratch / u"f.json";
    ASSERT_EQ(ReplaceFileContent(files, path, "[]"), FileFailure::kNone);

    {
        const Handle<CloseHandle> other(OpenAsAnotherProgram(path, GENERIC_READ | GENERIC_WRITE,
                                                             FILE_SHARE_READ | FILE_SHARE_WRITE));
        ASSERT_TRUE(other.IsValid());
        EXPECT_EQ(files.ReadWholeFile(path), "[]");
    }
    EXPECT_EQ(files.Read(scratch / u"no.json").failure, FileFailure::kNotFound);
    EXPECT_EQ(files.Read(scratch / u"ido\\no.json").failure, FileFailure::kUnavailable);
    EXPECT_EQ(files.Read(scratch.path()).failure, FileFailure::kUnavailable);
    const Handle<CloseHandle> alone(OpenAsAnotherProgram(path, GENERIC_READ, 0));
    ASSERT_TRUE(alone.IsValid());
    const FileRead held = files.Read(path);
    EXPECT_EQ(held.content, std::nullopt);
    EXPECT_EQ(held.failure, FileFailure::kHeld);
}

// Two saves of one file at the same moment each write a temporary file of their own: neither
// empties or removes the other's, and the later rename wins whole.
TEST(SystemFileSystemTest, TwoWritersOfOneFileKeepToTheirOwnTemporaryFiles) {
    ScratchFolder scratch(u"dos");
    FileSystem& files = SystemFileSystem();
    const WideText path = scratch / u"f.json";
    const WideText first = TemporaryPathFor(path, files.ProcessTag(), 0);

    std::unique_ptr<WritableFile> writing = files.CreateForWriting(first);
    ASSERT_NE(writing, nullptr);
    EXPECT_EQ(ReplaceFileContent(files, path, "segundo"), FileFailure::kNone);
    ASSERT_TRUE(writing->Write("primero") && writing->Flush() && writing->Close());
    ASSERT_EQ(files.MoveReplacing(first, path), FileFailure::kNone);

    EXPECT_EQ(files.ReadWholeFile(path), "primero");
    EXPECT_EQ(List(scratch.path()), std::vector<WideText>{u"f.json"});
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
        // ScratchFolder's plain paths cannot.
        SystemFileSystem().RemoveFile(path);
        SystemFileSystem().RemoveFile(HistoryLockPath(path));
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
        const FileFailure failure =
            SaveHistoryEntry(scratch.path(), u"ana@clinica.es", u"chat", u"dos", u"p", u"d");
        saved.set_value();
        scanner.join();

        const std::vector<HistoryEntry> entries = LoadHistory(scratch.path(), u"ana@clinica.es");
        if (c.letsGoSoon) {
            EXPECT_EQ(failure, FileFailure::kNone) << c.name;
            ASSERT_EQ(entries.size(), 2u) << c.name;
            EXPECT_EQ(entries[0].title, u"dos") << c.name;
        } else {
            // Held, so the saver tries again later.
            EXPECT_EQ(failure, FileFailure::kHeld) << c.name;
            EXPECT_EQ(SystemFileSystem().ReadWholeFile(path), before) << c.name;
        }
        EXPECT_EQ(List(scratch / u"history"),
                  (std::vector<WideText>{u"ana@clinica.es.json", u"ana@clinica.es.json.lock"}))
            << c.name;
    }
}

// The save lock is a byte-range lock on byte 0 of the lock file beside the history: another
// holder of it, through a handle of its own as another session's or machine's copy has, keeps a
// save off that history until it lets go, as the system does when its holder ends; the lock file
// stays, empty. A lock file whose folder is gone cannot be had at all.
TEST(SystemStorageTest, AnotherHolderOfTheLockFilesByteKeepsSavesOff) {
    ScratchFolder scratch(u"cerrojo-ajeno");
    SystemFileSystem().CreateFolder(scratch / u"history");
    const WideText path = HistoryFilePath(scratch.path(), u"ana@x.es");
    ASSERT_EQ(SaveHistoryEntry(scratch.path(), u"ana@x.es", u"chat", u"uno", u"p", u"d"),
              FileFailure::kNone);
    {
        const Handle<CloseHandle> other(
            CreateFileW(AsWinText(HistoryLockPath(path)), GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(other.IsValid());
        OVERLAPPED at{};
        ASSERT_TRUE(LockFileEx(other.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                               1, 0, &at));

        EXPECT_EQ(SaveHistoryEntry(scratch.path(), u"ana@x.es", u"chat", u"dos", u"p", u"d"),
                  FileFailure::kHeld);
        EXPECT_EQ(LoadHistory(scratch.path(), u"ana@x.es").size(), 1u);
        // Another history's lock is its own.
        EXPECT_EQ(SaveHistoryEntry(scratch.path(), u"luis@x.es", u"chat", u"t", u"p", u"d"),
                  FileFailure::kNone);
    }
    EXPECT_EQ(SystemFileSystem().TryLock(scratch / u"ido\\f.json.lock").failure,
              FileFailure::kUnavailable);
    EXPECT_EQ(SaveHistoryEntry(scratch.path(), u"ana@x.es", u"chat", u"dos", u"p", u"d"),
              FileFailure::kNone);
    EXPECT_EQ(LoadHistory(scratch.path(), u"ana@x.es").size(), 2u);
    EXPECT_EQ(SystemFileSystem().ReadWholeFile(HistoryLockPath(path)), "");
}

// Two copies of the program, played by two threads on the real file calls, each saving many
// consultations into one history: no save may lose another's entry or leave its temporary file.
TEST(SystemStorageTest, TwoCopiesSavingIntoOneHistoryKeepEveryEntry) {
    ScratchFolder scratch(u"dos-copias");
    SystemFileSystem().CreateFolder(scratch / u"history");
    constexpr int kSavesEach = 60;
    const SaverHooks system = SystemSaverHooks();
    const auto saveMany = [&](char16_t copy) {
        for (int i = 0; i < kSavesEach; ++i) {
            WideText title(1, copy);
            title += Utf8ToWide(std::to_string(i));
            const std::vector<PendingEntry> left = WritePendingEntries(
                *system.files, *system.clock,
                {{scratch.path(), MakeHistoryEntry(SystemEntryStamps(), u"ana@clinica.es", u"chat",
                                                   title, u"p", u"d")}},
                [] { return std::chrono::milliseconds::max(); });
            EXPECT_TRUE(left.empty());
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
    EXPECT_EQ(List(scratch / u"history"),
              (std::vector<WideText>{u"ana@clinica.es.json", u"ana@clinica.es.json.lock"}));
}

}  // namespace
}  // namespace alvena
