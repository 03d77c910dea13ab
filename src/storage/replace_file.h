#pragma once

#include <cstdint>

#include "protocol/wide_text.h"
#include "storage/file_system.h"

namespace alvena {

// Where one writer puts the new content of `path` before it takes the file's place: a name in the
// same folder, "~<process tag>-<serial>.tmp", that no other process (its tag) and no other save
// of this one (its serial) uses, so two writers never write into, empty or remove each other's
// temporary file.
[[nodiscard]] WideText TemporaryPathFor(const WideText& path, WideView processTag,
                                        std::uint64_t serial);

// Replaces the whole content of `path` so that an interruption at any point leaves either the
// old content or the new, never a mix or an empty file: the content goes to a temporary file of
// its own in the same folder, is flushed, and is then renamed over `path`. On failure `path` is
// untouched and the temporary file is removed. kNone when the content took its place.
[[nodiscard]] FileFailure ReplaceFileContent(FileSystem& files, const WideText& path,
                                             Utf8View content);

}  // namespace alvena
