#pragma once

#include "storage/file_system.h"

namespace alvena {

// The step of a file write at which FailingFileSystem fails.
enum class WriteFault {
    kNone,
    kCreate,  // the file cannot be created
    kWrite,   // half of the bytes reach the file, then the disk is full
    kFlush,
    kClose,
    kMove,  // the rename over the old file is refused
    kLock,  // another copy of the program holds the file's lock past the wait
    kRead,  // the file is there, but another program holds it and it cannot be read
};

// Passes everything to another file system, failing writes at one chosen step.
class FailingFileSystem final : public FileSystem {
  public:
    FailingFileSystem(FileSystem& inner, WriteFault fault) : inner_(inner), fault_(fault) {}

    std::optional<WideText> RoamingFolder() override { return inner_.RoamingFolder(); }
    void CreateFolder(const WideText& path) override { inner_.CreateFolder(path); }
    std::optional<Utf8Text> ReadWholeFile(const WideText& path) override {
        return fault_ == WriteFault::kRead ? std::nullopt : inner_.ReadWholeFile(path);
    }
    bool IsMissing(const WideText& path) override { return inner_.IsMissing(path); }
    std::unique_ptr<WritableFile> CreateForWriting(const WideText& path) override;
    bool MoveReplacing(const WideText& from, const WideText& to) override;
    void RemoveFile(const WideText& path) override { inner_.RemoveFile(path); }
    std::unique_ptr<FileLock> LockFile(const WideText& path,
                                       std::chrono::milliseconds wait) override {
        return fault_ == WriteFault::kLock ? nullptr : inner_.LockFile(path, wait);
    }

  private:
    FileSystem& inner_;
    WriteFault fault_;
};

}  // namespace alvena
