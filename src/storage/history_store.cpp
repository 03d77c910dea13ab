#include "storage/history_store.h"

#include <memory>
#include <optional>
#include <utility>

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

void SaveHistoryEntry(FileSystem& files, EntryStamps& stamps, const WideText& dataFolder,
                      WideView email, WideView type, WideView title, WideView preview,
                      WideView detail) {
    EnsureDataFolders(files, dataFolder);
    const WideText key = EmailKey(email);
    const WideText path = HistoryFilePath(dataFolder, key);

    // A second copy of the program saving into the same file between our read and our replace
    // would lose its entry, or ours: the whole read-add-replace waits its turn.
    const std::unique_ptr<FileLock> lock = files.LockFile(path, kSaveLockWait);
    if (!lock) {
        return;  // as a failed write: the file stays as it was, the consultation on screen
    }
    std::vector<HistoryEntry> entries = LoadHistory(files, dataFolder, key);

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

    // First whatever the loaded times say; the limit then drops the oldest loaded entries.
    entries.insert(entries.begin(), std::move(entry));
    if (entries.size() > kHistoryEntryLimit) {
        entries.erase(entries.begin() + kHistoryEntryLimit, entries.end());
    }
    // A failed write keeps the previous file; the consultation then stays on screen only.
    static_cast<void>(ReplaceFileContent(files, path, HistoryJson(entries)));
}

}  // namespace alvena
