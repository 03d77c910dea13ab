#pragma once

#include <chrono>

#include "protocol/wide_text.h"
#include "storage/file_system.h"

namespace alvena {

// How long a save waits while another copy of the program saves the same file: a full history
// takes well under a second, and a file held by a scanner up to two seconds more. Past that the
// save goes on without the lock.
inline constexpr std::chrono::milliseconds kSaveLockWait{4000};

// Where the new content of `path` is written before it takes the file's place.
[[nodiscard]] WideText TemporaryPathFor(const WideText& path);

// Replaces the whole content of `path` so that an interruption at any point leaves either the
// old content or the new, never a mix or an empty file: the content goes to a temporary file in
// the same folder, is flushed, and is then renamed over `path`. On failure `path` is untouched
// and the temporary file is removed.
[[nodiscard]] bool ReplaceFileContent(FileSystem& files, const WideText& path, Utf8View content);

}  // namespace alvena
