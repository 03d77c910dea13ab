#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <memory>
#include <optional>
#include <utility>

#include "protocol/wide_text_win.h"
#include "storage/file_system.h"

namespace alvena {
namespace {

// Owns a file handle.
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { static_cast<void>(Close()); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    [[nodiscard]] HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }

    [[nodiscard]] bool Close() {
        const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
        return handle == INVALID_HANDLE_VALUE || CloseHandle(handle) != FALSE;
    }

  private:
    HANDLE handle_;
};

struct CoTaskMemDeleter {
    void operator()(wchar_t* text) const { CoTaskMemFree(text); }
};

// Largest piece handed to one ReadFile or WriteFile call.
constexpr DWORD kMaxPiece = 1u << 30;

class WinWritableFile final : public WritableFile {
  public:
    explicit WinWritableFile(HANDLE handle) : file_(handle) {}

    bool Write(Utf8View bytes) override {
        while (!bytes.empty()) {
            const auto piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kMaxPiece));
            DWORD written = 0;
            if (!WriteFile(file_.get(), bytes.data(), piece, &written, nullptr) || written == 0) {
                return false;
            }
            bytes.remove_prefix(written);
        }
        return true;
    }

    bool Flush() override { return FlushFileBuffers(file_.get()) != FALSE; }

    bool Close() override { return file_.Close(); }

  private:
    FileHandle file_;
};

// A mutex named after the file: every process of the session that opens the same name shares it,
// and the system releases it when its holder ends, so a copy that crashes mid-save blocks nobody.
class NamedMutexLock final : public FileLock {
  public:
    explicit NamedMutexLock(const wchar_t* name) : mutex_(CreateMutexW(nullptr, FALSE, name)) {}
    ~NamedMutexLock() override {
        if (held_) {
            ReleaseMutex(mutex_);
        }
        if (mutex_ != nullptr) {
            CloseHandle(mutex_);
        }
    }
    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;

    [[nodiscard]] bool Take(std::chrono::milliseconds wait) {
        if (mutex_ == nullptr) {
            return false;
        }
        const DWORD result = WaitForSingleObject(mutex_, static_cast<DWORD>(wait.count()));
        // Abandoned: its holder ended mid-save, leaving the old file or the new one whole.
        held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
        return held_;
    }

  private:
    HANDLE mutex_;
    bool held_ = false;
};

// Object names are short and hold no backslash, so a hash of the path stands for it; ASCII case
// is folded as the file system folds it. Two paths sharing a hash merely take turns.
void LockName(const WideText& path, wchar_t (&name)[40]) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char16_t unit : path) {
        hash ^= unit >= u'A' && unit <= u'Z' ? unit + 0x20 : unit;
        hash *= 1099511628211ull;
    }
    swprintf(name, 40, L"Local\\Alvena-%016llx", static_cast<unsigned long long>(hash));
}

class WinFileSystem final : public FileSystem {
  public:
    std::optional<WideText> RoamingFolder() override {
        wchar_t* raw = nullptr;
        const HRESULT result = SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &raw);
        // The buffer is the caller's to free whether or not the query succeeded.
        const std::unique_ptr<wchar_t, CoTaskMemDeleter> path(raw);
        if (FAILED(result) || !path) {
            return std::nullopt;
        }
        return FromWinText(path.get(), std::wcslen(path.get()));
    }

    void CreateFolder(const WideText& path) override { CreateDirectoryW(AsWinText(path), nullptr); }

    std::optional<Utf8Text> ReadWholeFile(const WideText& path) override {
        FileHandle file(CreateFileW(AsWinText(path), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            return std::nullopt;
        }
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
            return std::nullopt;
        }
        // The size only sizes the buffer, with room to see the end of the file without growing
        // it; reading goes on to the end of the file as it is now.
        Utf8Text content(static_cast<std::size_t>(size.QuadPart) + 1, '\0');
        std::size_t filled = 0;
        for (;;) {
            if (filled == content.size()) {
                content.resize(content.size() * 2);
            }
            const auto piece =
                static_cast<DWORD>(std::min<std::size_t>(content.size() - filled, kMaxPiece));
            DWORD read = 0;
            if (!ReadFile(file.get(), content.data() + filled, piece, &read, nullptr)) {
                return std::nullopt;
            }
            if (read == 0) {
                break;
            }
            filled += read;
        }
        content.resize(filled);
        return content;
    }

    std::unique_ptr<WritableFile> CreateForWriting(const WideText& path) override {
        // No sharing: a second instance saving the same file at the same moment fails to open it
        // instead of mixing its bytes into ours.
        const HANDLE handle = CreateFileW(AsWinText(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        return std::make_unique<WinWritableFile>(handle);
    }

    bool MoveReplacing(const WideText& from, const WideText& to) override {
        return MoveFileExW(AsWinText(from), AsWinText(to),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    }

    void RemoveFile(const WideText& path) override { DeleteFileW(AsWinText(path)); }

    std::unique_ptr<FileLock> LockFile(const WideText& path,
                                       std::chrono::milliseconds wait) override {
        wchar_t name[40];
        LockName(path, name);
        auto lock = std::make_unique<NamedMutexLock>(name);
        if (!lock->Take(wait)) {
            return nullptr;
        }
        return lock;
    }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static WinFileSystem files;
    return files;
}

}  // namespace alvena
