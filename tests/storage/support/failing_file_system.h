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
    kLock,  // another copy of the program holds the history's lock
    kRead,  // the file is there, but it cannot be read
};

// Passes everything to another file system, failing writes at one chosen step: the first
// `times` calls of that step (every call when negative) fail, for the reason given where the
// step reports one (the lock, the read and the rename).
class FailingFileSystem final : public FileSystem {
  public:
    FailingFileSystem(FileSystem& inner, WriteFault fault, FileFailure failure = FileFailure::kHeld,
                      int times = -1)
        : inner_(inner), fault_(fault), failure_(failure), times_(times) {}

    std::optional<WideText> RoamingFolder() override { return inner_.RoamingFolder(); }
    void CreateFolder(const WideText& path) override { inner_.CreateFolder(path); }
    FileRead Read(const WideText& path) override {
        return Fails(WriteFault::kRead) ? FileRead{std::nullopt, failure_} : inner_.Read(path);
    }
    bool IsMissing(const WideText& path) override { return inner_.IsMissing(path); }
    std::unique_ptr<WritableFile> CreateForWriting(const WideText& path) override;
    FileFailure MoveReplacing(const WideText& from, const WideText& to) override {
        return Fails(WriteFault::kMove) ? failure_ : inner_.MoveReplacing(from, to);
    }
    void RemoveFile(const WideText& path) override { inner_.RemoveFile(path); }
    void RemoveEmptyFolder(const WideText& path) override { inner_.RemoveEmptyFolder(path); }
    LockAttempt TryLock(const WideText& lockPath) override {
        return Fails(WriteFault::kLock) ? LockAttempt{nullptr, failure_} : inner_.TryLock(lockPath);
    }
    WideText ProcessTag() override { return inner_.ProcessTag(); }

    int passFirst = 0;  // calls of the step that pass before the first refusal
    int failed = 0;     // calls failed so far

  private:
    [[nodiscard]] bool Fails(WriteFault step) {
        if (step != fault_ || times_ == failed) {
            return false;
        }
        if (passFirst > 0) {
            --passFirst;
            return false;
        }
        ++failed;
        return true;
    }

    FileSystem& inner_;
    WriteFault fault_;
    FileFailure failure_;
    int times_;
};

}  // namespace alvena
