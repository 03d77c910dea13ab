#pragma once

#include "protocol/wide_text.h"
#include "storage/file_system.h"

namespace alvena {

// The roaming folder + "\VeltranoSystems\Alvena", or "." when there is no roaming folder; its
// folder chain is created on the way. Computed once at start-up.
[[nodiscard]] WideText GetDataFolder(FileSystem& files);

// Creates "VeltranoSystems" beside the data folder's own path, then the whole chain
// VeltranoSystems\Alvena\history under a freshly queried roaming folder. Nothing is checked.
void EnsureDataFolders(FileSystem& files, const WideText& dataFolder);

#ifdef _WIN32
[[nodiscard]] inline WideText GetDataFolder() {
    return GetDataFolder(SystemFileSystem());
}
inline void EnsureDataFolders(const WideText& dataFolder) {
    EnsureDataFolders(SystemFileSystem(), dataFolder);
}
#endif

}  // namespace alvena
