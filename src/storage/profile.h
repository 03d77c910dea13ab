#pragma once

#include "protocol/wide_text.h"
#include "storage/file_system.h"

namespace alvena {

// The registered user; an empty email means nobody is registered.
struct UserProfile {
    WideText email;
    WideText name;
};

// The text of profile.json: the email key and the trimmed name, on one line.
[[nodiscard]] Utf8Text ProfileJson(WideView email, WideView name);

// The profile in dataFolder\profile.json, taken as it stands; empty fields for whatever is
// missing, unreadable or not a string.
[[nodiscard]] UserProfile LoadProfile(FileSystem& files, const WideText& dataFolder);

// Replaces profile.json. A failed write keeps the previous file and is not reported.
void SaveProfile(FileSystem& files, const WideText& dataFolder, WideView email, WideView name);

#ifdef _WIN32
[[nodiscard]] inline UserProfile LoadProfile(const WideText& dataFolder) {
    return LoadProfile(SystemFileSystem(), dataFolder);
}
inline void SaveProfile(const WideText& dataFolder, WideView email, WideView name) {
    SaveProfile(SystemFileSystem(), dataFolder, email, name);
}
#endif

}  // namespace alvena
