#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <optional>
#include <utility>

#include "protocol/wide_text_win.h"
#include "storage/extended_path.h"
#include "storage/file_system.h"
#include "storage/lock_name.h"

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

// Virus scanners, the search indexer and backup tools open a file that has just been written,
// for a moment and without sharing it fully; while they hold it, opening or replacing it fails
// with one of these. That passes: the call is tried again after a delay that grows each time,
// 25 ms more per try, about two seconds in all, before the failure stands.
constexpr int kHeldRetries = 12;
constexpr DWORD kHeldDelayStepMs = 25;

[[nodiscard]] bool IsHeldByAnother(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION;
}

// `attempt` returns whether it succeeded and leaves the system's last error when it did not.
template <typename Attempt>
[[nodiscard]] bool RetryWhileHeld(Attempt attempt) {
    for (int tries = 1;; ++tries) {
        if (attempt()) {
            return true;
        }
        if (tries > kHeldRetries || !IsHeldByAnother(GetLastError())) {
            return false;
        }
        Sleep(kHeldDelayStepMs * static_cast<DWORD>(tries));
    }
}

// Every path goes to Windows in its extended-length form where it has one.
class SystemPath {
  public:
    explicit SystemPath(const WideText& path) : path_(ExtendedLengthPath(path)) {}
    [[nodiscard]] const wchar_t* get() const { return AsWinText(path_); }

  private:
    WideText path_;
};

[[nodiscard]] HANDLE OpenRetryingWhileHeld(const WideText& path, DWORD access, DWORD share,
                                           DWORD disposition) {
    const SystemPath target(path);
    HANDLE handle = INVALID_HANDLE_VALUE;
    static_cast<void>(RetryWhileHeld([&] {
        handle = CreateFileW(target.get(), access, share, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle != INVALID_HANDLE_VALUE;
    }));
    return handle;
}

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

    void CreateFolder(const WideText& path) override {
        CreateDirectoryW(SystemPath(path).get(), nullptr);
    }

    std::optional<Utf8Text> ReadWholeFile(const WideText& path) override {
        FileHandle file(OpenRetryingWhileHeld(
            path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            OPEN_EXISTING));
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
        const HANDLE handle = OpenRetryingWhileHeld(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
        if (handle == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        return std::make_unique<WinWritableFile>(handle);
    }

    bool IsMissing(const WideText& path) override {
        if (GetFileAttributesW(SystemPath(path).get()) != INVALID_FILE_ATTRIBUTES) {
            return false;
        }
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }

    bool MoveReplacing(const WideText& from, const WideText& to) override {
        const SystemPath source(from);
        const SystemPath target(to);
        return RetryWhileHeld([&] {
            return MoveFileExW(source.get(), target.get(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        });
    }

    void RemoveFile(const WideText& path) override { DeleteFileW(SystemPath(path).get()); }

    std::unique_ptr<FileLock> LockFile(const WideText& path,
                                       std::chrono::milliseconds wait) override {
        auto lock = std::make_unique<NamedMutexLock>(AsWinText(SaveLockName(path)));
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
