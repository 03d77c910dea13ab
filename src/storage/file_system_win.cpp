#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "protocol/utf8.h"
#include "protocol/wide_text_win.h"
#include "storage/entry_stamps.h"
#include "storage/extended_path.h"
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

    [[nodiscard]] HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

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
// 25 ms more per try, about two seconds in all, before the failure stands. A save goes on trying
// longer, between its own attempts.
constexpr int kHeldRetries = 12;
constexpr DWORD kHeldDelayStepMs = 25;

// Access is denied for good to a folder or a read-only file; for anything else it is denied
// while another program holds the file, or while a file being deleted is still there.
[[nodiscard]] bool IsDeniedForGood(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0;
}

// What the system's last error, from a call on `path`, means to storage.
[[nodiscard]] FileFailure FailureOf(DWORD error, const wchar_t* path) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
            return FileFailure::kNotFound;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return FileFailure::kHeld;
        case ERROR_ACCESS_DENIED:
            return IsDeniedForGood(path) ? FileFailure::kUnavailable : FileFailure::kHeld;
        default:
            // A missing folder, a file share or DFS link that is gone for now, a full disk.
            return FileFailure::kUnavailable;
    }
}

// `attempt` returns whether it succeeded and leaves the system's last error when it did not;
// the failure, if any, is that of its last try on `path`.
template <typename Attempt>
[[nodiscard]] FileFailure RetryWhileHeld(const wchar_t* path, Attempt attempt) {
    for (int tries = 1;; ++tries) {
        if (attempt()) {
            return FileFailure::kNone;
        }
        const FileFailure failure = FailureOf(GetLastError(), path);
        if (tries > kHeldRetries || failure != FileFailure::kHeld) {
            return failure;
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

struct Opened {
    HANDLE handle = INVALID_HANDLE_VALUE;
    FileFailure failure = FileFailure::kNone;
};

[[nodiscard]] Opened OpenRetryingWhileHeld(const WideText& path, DWORD access, DWORD share,
                                           DWORD disposition) {
    const SystemPath target(path);
    Opened opened;
    opened.failure = RetryWhileHeld(target.get(), [&] {
        opened.handle = CreateFileW(target.get(), access, share, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        return opened.handle != INVALID_HANDLE_VALUE;
    });
    return opened;
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

// An exclusive byte-range lock on byte 0 of an open lock file. The system drops it when the
// handle is closed, also when its holder ends without letting go, so a copy that crashes
// mid-save blocks nobody.
class ByteRangeLock final : public FileLock {
  public:
    explicit ByteRangeLock(HANDLE file) : file_(file) {}
    ~ByteRangeLock() override {
        OVERLAPPED at{};
        UnlockFileEx(file_.get(), 0, 1, 0, &at);
    }
    ByteRangeLock(const ByteRangeLock&) = delete;
    ByteRangeLock& operator=(const ByteRangeLock&) = delete;

  private:
    FileHandle file_;
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

    FileRead Read(const WideText& path) override {
        const Opened opened = OpenRetryingWhileHeld(
            path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            OPEN_EXISTING);
        FileHandle file(opened.handle);
        if (!file) {
            return {std::nullopt, opened.failure};
        }
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
            return {std::nullopt, FileFailure::kUnavailable};
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
                // A read cut off midway leaves nothing to build on; a byte-range lock of a
                // backup agent passes.
                const DWORD error = GetLastError();
                return {std::nullopt, FailureOf(error, SystemPath(path).get())};
            }
            if (read == 0) {
                break;
            }
            filled += read;
        }
        content.resize(filled);
        return {std::move(content), FileFailure::kNone};
    }

    std::unique_ptr<WritableFile> CreateForWriting(const WideText& path) override {
        // No sharing: a second instance saving the same file at the same moment fails to open it
        // instead of mixing its bytes into ours.
        const Opened opened = OpenRetryingWhileHeld(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
        if (opened.handle == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        return std::make_unique<WinWritableFile>(opened.handle);
    }

    bool IsMissing(const WideText& path) override {
        if (GetFileAttributesW(SystemPath(path).get()) != INVALID_FILE_ATTRIBUTES) {
            return false;
        }
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }

    FileFailure MoveReplacing(const WideText& from, const WideText& to) override {
        const SystemPath source(from);
        const SystemPath target(to);
        return RetryWhileHeld(target.get(), [&] {
            return MoveFileExW(source.get(), target.get(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        });
    }

    void RemoveFile(const WideText& path) override { DeleteFileW(SystemPath(path).get()); }

    void RemoveEmptyFolder(const WideText& path) override {
        RemoveDirectoryW(SystemPath(path).get());
    }

    LockAttempt TryLock(const WideText& lockPath) override {
        // Full sharing: every copy opens the file at once, and the lock, not the opening,
        // decides. Share modes are not seen across sessions everywhere; byte-range locks are,
        // and file servers enforce them between machines.
        const Opened opened = OpenRetryingWhileHeld(
            lockPath, GENERIC_READ | GENERIC_WRITE,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_ALWAYS);
        if (opened.handle == INVALID_HANDLE_VALUE) {
            return {nullptr, opened.failure};
        }
        FileHandle file(opened.handle);
        OVERLAPPED at{};
        if (!LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                        &at)) {
            const DWORD error = GetLastError();
            return {nullptr, error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING
                                 ? FileFailure::kHeld
                                 : FileFailure::kUnavailable};
        }
        return {std::make_unique<ByteRangeLock>(file.Release()), FileFailure::kNone};
    }

    WideText ProcessTag() override {
        // The process id tells a person whose file it is; the random part keeps two machines
        // whose processes share an id apart.
        static const WideText tag = [] {
            const WideText random = SystemEntryStamps().NewId().substr(0, 8);
            return Utf8ToWide(std::to_string(GetCurrentProcessId())) + u"-" + random;
        }();
        return tag;
    }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static WinFileSystem files;
    return files;
}

}  // namespace alvena
