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
// name ends in ".damaged", which no history is read from, and no file is ever overwritten by it;
// a save tried again after a held file keeps one copy, not one a try.
[[nodiscard]] FileFailure KeepDamagedCopy(FileSystem& files, const WideText& path, Utf8View bytes,
                                          std::int64_t savedAt) {
    const WideText name = path + u"." + Utf8ToWide(std::to_string(savedAt)) + u".damaged";
    WideText copy = name;
    for (int n = 2; !files.IsMissing(copy); ++n) {
        if (files.ReadWholeFile(copy) == bytes) {
            return FileFailure::kNone;  // kept by an earlier try of this save
        }
        if (n > 100) {
            return FileFailure::kUnavailable;
        }
        copy = name + u"-" + Utf8ToWide(std::to_string(n));
    }
    return ReplaceFileContent(files, copy, bytes);
}

}  // namespace

WideText HistoryLockPath(const WideText& historyPath) {
    return historyPath + u".lock";
}

HistoryEntry MakeHistoryEntry(EntryStamps& stamps, WideView email, WideView type, WideView title,
                              WideView preview, WideView detail) {
    HistoryEntry entry;
    entry.id = stamps.NewId();
    if (entry.id.empty()) {
        entry.id = u"id";
    }
    entry.email = EmailKey(email);
    entry.type = type;
    // Plain cuts in code units: a surrogate pair split here is written as U+FFFD.
    entry.title = title.substr(0, kHistoryTitleLimit);
    entry.preview = preview.substr(0, kHistoryPreviewLimit);
    entry.detail = detail.substr(0, kHistoryDetailLimit);
    entry.createdAt = stamps.NowUnixMs();
    return entry;
}

FileFailure WriteHistoryEntries(FileSystem& files, const WideText& dataFolder, WideView email,
                                const std::vector<HistoryEntry>& newestFirst) {
    EnsureDataFolders(files, dataFolder);
    const WideText path = HistoryFilePath(dataFolder, EmailKey(email));

    // Another copy of the program, in this session, another one or on another machine sharing
    // the folder, saving between our read and our replace would lose its entries or ours: the
    // whole read-add-replace happens under the lock.
    const LockAttempt locked = files.TryLock(HistoryLockPath(path));
    if (!locked.lock) {
        return locked.failure == FileFailure::kNone ? FileFailure::kUnavailable : locked.failure;
    }

    const FileRead old = files.Read(path);
    if (!old.content && old.failure != FileFailure::kNotFound) {
        // There but unreadable, or its folder gone for now: replacing it would drop every entry
        // it holds.
        return old.failure == FileFailure::kNone ? FileFailure::kUnavailable : old.failure;
    }
    HistoryReading reading =
        old.content ? ReadHistoryForSave(*old.content) : HistoryReading{{}, true};
    std::vector<HistoryEntry>& entries = reading.entries;

    // An empty file holds nothing to keep.
    if (old.content && !old.content->empty() && !reading.ownForm && !newestFirst.empty()) {
        const FileFailure kept =
            KeepDamagedCopy(files, path, *old.content, newestFirst.front().createdAt);
        if (kept != FileFailure::kNone) {
            return kept;  // the file stays as it was, the entries waiting
        }
    }
    // First whatever the loaded times say; the limit then drops the oldest loaded entries.
    entries.insert(entries.begin(), newestFirst.begin(), newestFirst.end());
    if (entries.size() > kHistoryEntryLimit) {
        entries.erase(entries.begin() + kHistoryEntryLimit, entries.end());
    }
    return ReplaceFileContent(files, path, HistoryJson(entries));
}

FileFailure SaveHistoryEntry(FileSystem& files, EntryStamps& stamps, const WideText& dataFolder,
                             WideView email, WideView type, WideView title, WideView preview,
                             WideView detail) {
    return WriteHistoryEntries(files, dataFolder, email,
                               {MakeHistoryEntry(stamps, email, type, title, preview, detail)});
}

}  // namespace alvena
