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

// Puts a new entry in front of the email's history, cut to the text limits, keeps the newest
// entries up to the limit and rewrites the file. A failed write keeps the previous file and is
// not reported.
void SaveHistoryEntry(FileSystem& files, EntryStamps& stamps, const WideText& dataFolder,
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
inline void SaveHistoryEntry(const WideText& dataFolder, WideView email, WideView type,
                             WideView title, WideView preview, WideView detail) {
    SaveHistoryEntry(SystemFileSystem(), SystemEntryStamps(), dataFolder, email, type, title,
                     preview, detail);
}
#endif

}  // namespace alvena
