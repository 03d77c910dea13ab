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

// Why a file call failed, as far as storage acts on it.
enum class FileFailure {
    kNone,
    kNotFound,  // nothing at the path, in a folder that is there
    // Another program has the file, or its lock, for now: a scanner, a backup agent, another
    // copy of the program. Worth trying again.
    kHeld,
    // Anything else: a folder or file share that is not there now, a folder in the file's place,
    // a read-only file, a full disk. Not worth trying again at once.
    kUnavailable,
};

// What a read gave: the whole content, or why there is none.
struct FileRead {
    std::optional<Utf8Text> content;
    FileFailure failure = FileFailure::kNone;
};

// A lock held on a lock file; released on destruction.
class FileLock {
  public:
    virtual ~FileLock() = default;
};

struct LockAttempt {
    std::unique_ptr<FileLock> lock;  // null when not taken
    FileFailure failure = FileFailure::kNone;
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
    // The whole content of a file, or why it cannot be had.
    [[nodiscard]] virtual FileRead Read(const WideText& path) = 0;
    // The whole content of a file, or nullopt when it cannot be opened or read.
    [[nodiscard]] std::optional<Utf8Text> ReadWholeFile(const WideText& path) {
        return Read(path).content;
    }
    // Whether the platform reports that nothing is at `path`. A file that is there but cannot be
    // read (held by another program, no rights) is not missing.
    [[nodiscard]] virtual bool IsMissing(const WideText& path) = 0;
    // Creates the file, or empties an existing one, opened for writing and for no one else;
    // nullptr when that fails.
    [[nodiscard]] virtual std::unique_ptr<WritableFile> CreateForWriting(const WideText& path) = 0;
    // Renames `from` to `to`, replacing any file there in one step, and returns once the rename
    // has reached the storage device.
    [[nodiscard]] virtual FileFailure MoveReplacing(const WideText& from, const WideText& to) = 0;
    virtual void RemoveFile(const WideText& path) = 0;
    // Removes a folder if it is empty; nothing is reported.
    virtual void RemoveEmptyFolder(const WideText& path) = 0;
    // Takes the exclusive lock on byte 0 of `lockPath` without waiting, creating the file, empty,
    // when it is not there; the file is opened with full sharing and never removed. Every copy of
    // the program sees the lock, in any session and on any machine that reaches the file through
    // a file server. kHeld when another holder has it.
    [[nodiscard]] virtual LockAttempt TryLock(const WideText& lockPath) = 0;
    // A name no other process shares, on this machine or on another writing into the same
    // folders.
    [[nodiscard]] virtual WideText ProcessTag() = 0;
};

#ifdef _WIN32
// The real files and folders; lives for the whole process.
[[nodiscard]] FileSystem& SystemFileSystem();
#endif

}  // namespace alvena
