#include "storage/history_store.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "protocol/utf8.h"
#include "storage/data_folder.h"
#include "storage/email_key.h"
#include "storage/history_text.h"
#include "storage/replace_file.h"

namespace alvena {

WideText HistoryFilePath(const WideText& dataFolder, WideView email) {
    return dataFolder + u"\\history\\" + FileKey(email) + u".json";
}

std::vector<HistoryEntry> LoadHistory(FileSystem& files, const WideText& dataFolder,
                                      WideView email) {
    const std::optional<Utf8Text> text = files.ReadWholeFile(HistoryFilePath(dataFolder, email));
    return text ? ParseHistory(*text) : std::vector<HistoryEntry>{};
}

HistoryListing LoadHistoryListing(FileSystem& files, const WideText& dataFolder, WideView email) {
    std::optional<Utf8Text> text = files.ReadWholeFile(HistoryFilePath(dataFolder, email));
    return text ? ParseHistoryListing(std::move(*text)) : HistoryListing{};
}

namespace {

// Keeps the exact bytes of a history file that this program did not write as they stand beside
// it, before a save rewrites the file in its own form and drops whatever it could not read. The
// name ends in ".damaged", which no history is read from, and no file is ever overwritten by it.
[[nodiscard]] bool KeepDamagedCopy(FileSystem& files, const WideText& path, Utf8View bytes,
                                   std::int64_t savedAt) {
    const WideText name = path + u"." + Utf8ToWide(std::to_string(savedAt)) + u".damaged";
    WideText copy = name;
    for (int n = 2; !files.IsMissing(copy); ++n) {
        if (n > 100) {
            return false;
        }
        copy = name + u"-" + Utf8ToWide(std::to_string(n));
    }
    return ReplaceFileContent(files, copy, bytes);
}

}  // namespace

void SaveHistoryEntry(FileSystem& files, EntryStamps& stamps, const WideText& dataFolder,
                      WideView email, WideView type, WideView title, WideView preview,
                      WideView detail) {
    EnsureDataFolders(files, dataFolder);
    const WideText key = EmailKey(email);
    const WideText path = HistoryFilePath(dataFolder, key);

    // A second copy of the program saving into the same file between our read and our replace
    // would lose its entry, or ours: the whole read-add-replace waits its turn. Without the lock
    // (kept past the wait, or not to be made at all) the save still goes on: it then loses an
    // entry only if two copies really collide, where skipping it would lose this one for sure.
    const std::unique_ptr<FileLock> lock = files.LockFile(path, kSaveLockWait);

    const std::optional<Utf8Text> old = files.ReadWholeFile(path);
    if (!old && !files.IsMissing(path)) {
        return;  // there but unreadable: replacing it would drop every entry it holds
    }
    HistoryReading reading = old ? ReadHistoryForSave(*old) : HistoryReading{{}, true};
    std::vector<HistoryEntry>& entries = reading.entries;

    HistoryEntry entry;
    entry.id = stamps.NewId();
    if (entry.id.empty()) {
        entry.id = u"id";
    }
    entry.email = key;
    entry.type = type;
    // Plain cuts in code units: a surrogate pair split here is written as U+FFFD.
    entry.title = title.substr(0, kHistoryTitleLimit);
    entry.preview = preview.substr(0, kHistoryPreviewLimit);
    entry.detail = detail.substr(0, kHistoryDetailLimit);
    entry.createdAt = stamps.NowUnixMs();

    // An empty file holds nothing to keep.
    if (old && !old->empty() && !reading.ownForm &&
        !KeepDamagedCopy(files, path, *old, entry.createdAt)) {
        return;  // as a failed write: the file stays as it was, the consultation on screen
    }
    // First whatever the loaded times say; the limit then drops the oldest loaded entries.
    entries.insert(entries.begin(), std::move(entry));
    if (entries.size() > kHistoryEntryLimit) {
        entries.erase(entries.begin() + kHistoryEntryLimit, entries.end());
    }
    // A failed write keeps the previous file; the consultation then stays on screen only.
    static_cast<void>(ReplaceFileContent(files, path, HistoryJson(entries)));
}

}  // namespace alvena
