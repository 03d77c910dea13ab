#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "protocol/wide_text.h"

namespace alvena {

// A file being written. Closing it (explicitly or by destruction) releases the handle.
class WritableFile {
  public:
    virtual ~WritableFile() = default;

    // Each returns false on failure, after which the file's content is not to be trusted.
    [[nodiscard]] virtual bool Write(Utf8View bytes) = 0;
    // Pushes the written bytes down to the storage device.
    [[nodiscard]] virtual bool Flush() = 0;
    [[nodiscard]] virtual bool Close() = 0;
};

// Held while one copy of the program reads, changes and replaces a file, so that another copy
// doing the same to the same file waits its turn. Released on destruction, on the thread that
// took it.
class FileLock {
  public:
    virtual ~FileLock() = default;
};

// Files and folders as storage sees them: Windows-style wide paths with backslashes, passed to
// the platform unchanged. The product uses the Windows implementation; tests pass their own.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // The current user's roaming application-data folder, without a trailing separator, or
    // nullopt when the platform has none to give.
    [[nodiscard]] virtual std::optional<WideText> RoamingFolder() = 0;
    // Creates one folder, not its parents. Failure, an existing folder included, is not reported:
    // a folder that is missing shows later, when a file inside it cannot be opened.
    virtual void CreateFolder(const WideText& path) = 0;
    // The whole content of a file, or nullopt when it cannot be opened or read.
    [[nodiscard]] virtual std::optional<Utf8Text> ReadWholeFile(const WideText& path) = 0;
    // Whether the platform reports that nothing is at `path`. A file that is there but cannot be
    // read (held by another program, no rights) is not missing.
    [[nodiscard]] virtual bool IsMissing(const WideText& path) = 0;
    // Creates the file, or empties an existing one, opened for writing and for no one else;
    // nullptr when that fails.
    [[nodiscard]] virtual std::unique_ptr<WritableFile> CreateForWriting(const WideText& path) = 0;
    // Renames `from` to `to`, replacing any file there in one step, and returns once the rename
    // has reached the storage device.
    [[nodiscard]] virtual bool MoveReplacing(const WideText& from, const WideText& to) = 0;
    virtual void RemoveFile(const WideText& path) = 0;
    // Takes the lock named after `path`, shared by every process of the session, waiting up to
    // `wait` while another holder has it; nullptr when the wait runs out or the lock cannot be
    // made. Nothing is written beside the data for it.
    [[nodiscard]] virtual std::unique_ptr<FileLock> LockFile(const WideText& path,
                                                             std::chrono::milliseconds wait) = 0;
};

#ifdef _WIN32
// The real files and folders; lives for the whole process.
[[nodiscard]] FileSystem& SystemFileSystem();
#endif

}  // namespace alvena
