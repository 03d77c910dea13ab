#include "tests/storage/support/failing_file_system.h"

#include <utility>

namespace alvena {
namespace {

// Fails at `fault`, one of the steps of a file's write.
class FailingFile final : public WritableFile {
  public:
    FailingFile(std::unique_ptr<WritableFile> inner, WriteFault fault)
        : inner_(std::move(inner)), fault_(fault) {}

    bool Write(Utf8View bytes) override {
        if (fault_ != WriteFault::kWrite) {
            return inner_->Write(bytes);
        }
        static_cast<void>(inner_->Write(bytes.substr(0, bytes.size() / 2)));
        return false;
    }
    bool Flush() override { return inner_->Flush() && fault_ != WriteFault::kFlush; }
    bool Close() override { return inner_->Close() && fault_ != WriteFault::kClose; }

  private:
    std::unique_ptr<WritableFile> inner_;
    WriteFault fault_;
};

}  // namespace

std::unique_ptr<WritableFile> FailingFileSystem::CreateForWriting(const WideText& path) {
    if (Fails(WriteFault::kCreate)) {
        return nullptr;
    }
    std::unique_ptr<WritableFile> file = inner_.CreateForWriting(path);
    if (!file) {
        return nullptr;
    }
    const bool failsHere = fault_ == WriteFault::kWrite || fault_ == WriteFault::kFlush ||
                           fault_ == WriteFault::kClose;
    if (!failsHere || !Fails(fault_)) {
        return file;
    }
    return std::make_unique<FailingFile>(std::move(file), fault_);
}

}  // namespace alvena
