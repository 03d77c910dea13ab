#include "tests/storage/support/temp_file_system.h"

#include <algorithm>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

namespace alvena {
namespace {

namespace fs = std::filesystem;

class StreamFile final : public WritableFile {
  public:
    explicit StreamFile(const fs::path& path)
        : stream_(path, std::ios::binary | std::ios::out | std::ios::trunc) {}

    [[nodiscard]] bool IsOpen() const { return stream_.is_open(); }

    bool Write(Utf8View bytes) override {
        stream_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return stream_.good();
    }
    bool Flush() override { return stream_.flush().good(); }
    bool Close() override {
        stream_.close();
        return !stream_.fail();
    }

  private:
    std::ofstream stream_;
};

[[nodiscard]] fs::path MakeUniqueRoot() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / ("alvena-storage-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            return candidate;
        }
    }
    throw std::runtime_error("no fresh temporary folder");
}

// The locks held in this process, by host path.
struct HeldLocks {
    std::mutex guard;
    std::set<fs::path> paths;
};

HeldLocks& Held() {
    static HeldLocks held;
    return held;
}

class HeldLock final : public FileLock {
  public:
    explicit HeldLock(fs::path path) : path_(std::move(path)) {}
    ~HeldLock() override {
        HeldLocks& held = Held();
        const std::lock_guard<std::mutex> lock(held.guard);
        held.paths.erase(path_);
    }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

  private:
    fs::path path_;
};

}  // namespace

TempFileSystem::TempFileSystem() : root_(MakeUniqueRoot()) {
    fs::create_directories(HostPath(*roaming));
    fs::create_directories(HostPath(u"."));
}

TempFileSystem::~TempFileSystem() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

fs::path TempFileSystem::HostPath(const WideText& path) const {
    fs::path host = root_;
    std::size_t start = 0;
    bool first = true;
    while (start <= path.size()) {
        std::size_t end = path.find(u'\\', start);
        if (end == WideText::npos) {
            end = path.size();
        }
        WideText part = path.substr(start, end - start);
        if (first) {
            if (part.size() == 2 && part[1] == u':') {
                part.pop_back();
            } else {
                host /= "cwd";
            }
            first = false;
        }
        host /= part;
        start = end + 1;
    }
    return host;
}

void TempFileSystem::CreateFolder(const WideText& path) {
    std::error_code ignored;
    fs::create_directory(HostPath(path), ignored);
}

FileRead TempFileSystem::Read(const WideText& path) {
    const fs::path host = HostPath(path);
    std::error_code error;
    if (!fs::is_regular_file(host, error)) {
        // Only a file missing from a folder that is there is not found.
        const bool notFound =
            !fs::exists(host, error) && fs::is_directory(host.parent_path(), error);
        return {std::nullopt, notFound ? FileFailure::kNotFound : FileFailure::kUnavailable};
    }
    std::ifstream stream(host, std::ios::binary | std::ios::ate);
    if (!stream) {
        return {std::nullopt, FileFailure::kUnavailable};
    }
    Utf8Text content(static_cast<std::size_t>(stream.tellg()), '\0');
    stream.seekg(0);
    if (!stream.read(content.data(), static_cast<std::streamsize>(content.size()))) {
        return {std::nullopt, FileFailure::kUnavailable};
    }
    return {std::move(content), FileFailure::kNone};
}

bool TempFileSystem::IsMissing(const WideText& path) {
    std::error_code error;
    return !fs::exists(HostPath(path), error) && !error;
}

std::unique_ptr<WritableFile> TempFileSystem::CreateForWriting(const WideText& path) {
    auto file = std::make_unique<StreamFile>(HostPath(path));
    if (!file->IsOpen()) {
        return nullptr;
    }
    return file;
}

FileFailure TempFileSystem::MoveReplacing(const WideText& from, const WideText& to) {
    std::error_code error;
    fs::rename(HostPath(from), HostPath(to), error);
    return error ? FileFailure::kUnavailable : FileFailure::kNone;
}

void TempFileSystem::RemoveFile(const WideText& path) {
    std::error_code ignored;
    fs::remove(HostPath(path), ignored);
}

void TempFileSystem::RemoveEmptyFolder(const WideText& path) {
    std::error_code ignored;
    if (fs::is_directory(HostPath(path), ignored) && fs::is_empty(HostPath(path), ignored)) {
        fs::remove(HostPath(path), ignored);
    }
}

LockAttempt TempFileSystem::TryLock(const WideText& lockPath) {
    fs::path host = HostPath(lockPath);
    std::error_code error;
    if (!fs::exists(host, error)) {
        std::ofstream create(host, std::ios::binary | std::ios::app);
        if (!create) {
            return {nullptr, FileFailure::kUnavailable};
        }
    }
    HeldLocks& held = Held();
    const std::lock_guard<std::mutex> lock(held.guard);
    if (held.paths.count(host) != 0) {
        return {nullptr, FileFailure::kHeld};
    }
    held.paths.insert(host);
    return {std::make_unique<HeldLock>(std::move(host)), FileFailure::kNone};
}

void TempFileSystem::PutFile(const WideText& path, Utf8View content) const {
    std::ofstream stream(HostPath(path), std::ios::binary | std::ios::trunc);
    stream.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!stream.flush()) {
        throw std::runtime_error("cannot put a test file");
    }
}

bool TempFileSystem::IsFolder(const WideText& path) const {
    std::error_code error;
    return fs::is_directory(HostPath(path), error);
}

std::vector<WideText> TempFileSystem::List(const WideText& folder) const {
    std::vector<WideText> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(HostPath(folder), error)) {
        names.push_back(entry.path().filename().u16string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace alvena
