#pragma once

#include <vector>

#include "protocol/wide_text.h"
#include "storage/entry_stamps.h"
#include "storage/file_system.h"
#include "storage/history_entry.h"
#include "storage/history_text.h"

namespace alvena {

// dataFolder\history\<file key of the email>.json, for the email in any form.
[[nodiscard]] WideText HistoryFilePath(const WideText& dataFolder, WideView email);

// The email's saved consultations, newest first; empty when there is no readable file.
[[nodiscard]] std::vector<HistoryEntry> LoadHistory(FileSystem& files, const WideText& dataFolder,
                                                    WideView email);

// The same, for a list: details are read one at a time (ListedDetail).
[[nodiscard]] HistoryListing LoadHistoryListing(FileSystem& files, const WideText& dataFolder,
                                                WideView email);

// Beside the history file: the file whose lock every copy of the program takes while it reads,
// changes and replaces that history. Empty, and never removed.
[[nodiscard]] WideText HistoryLockPath(const WideText& historyPath);

// A new entry of the email's history, stamped now, its texts cut to their limits.
[[nodiscard]] HistoryEntry MakeHistoryEntry(EntryStamps& stamps, WideView email, WideView type,
                                            WideView title, WideView preview, WideView detail);

// One attempt to put `newestFirst` in front of the entries of the email's history, keep the
// newest up to the limit and replace the file, under the history's lock, taken without waiting.
// kNone once written. kHeld when the lock, the file or its rename is held by another program for
// now. Anything else leaves the file as it was: a history that is there but cannot be read is
// never replaced, and only a file that is not found is taken as no history yet.
[[nodiscard]] FileFailure WriteHistoryEntries(FileSystem& files, const WideText& dataFolder,
                                              WideView email,
                                              const std::vector<HistoryEntry>& newestFirst);

// Makes one entry and writes it with one attempt.
FileFailure SaveHistoryEntry(FileSystem& files, EntryStamps& stamps, const WideText& dataFolder,
                             WideView email, WideView type, WideView title, WideView preview,
                             WideView detail);

#ifdef _WIN32
[[nodiscard]] inline std::vector<HistoryEntry> LoadHistory(const WideText& dataFolder,
                                                           WideView email) {
    return LoadHistory(SystemFileSystem(), dataFolder, email);
}
[[nodiscard]] inline HistoryListing LoadHistoryListing(const WideText& dataFolder, WideView email) {
    return LoadHistoryListing(SystemFileSystem(), dataFolder, email);
}
inline FileFailure SaveHistoryEntry(const WideText& dataFolder, WideView email, WideView type,
                                    WideView title, WideView preview, WideView detail) {
    return SaveHistoryEntry(SystemFileSystem(), SystemEntryStamps(), dataFolder, email, type, title,
                            preview, detail);
}
#endif

}  // namespace alvena
