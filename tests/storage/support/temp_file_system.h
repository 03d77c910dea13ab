#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "storage/file_system.h"

namespace alvena {

// Files and folders in a fresh folder under the host's temporary folder, removed again on
// destruction. Windows-style paths map into it: "C:\a\b" to <root>/C/a/b, and a relative path
// such as ".\b" to <root>/cwd/./b, so storage code runs unchanged on any host. The roaming folder
// C:\Users\Ana\AppData\Roaming exists from the start; tests may change or clear `roaming`.
class TempFileSystem final : public FileSystem {
  public:
    TempFileSystem();
    ~TempFileSystem() override;
    TempFileSystem(const TempFileSystem&) = delete;
    TempFileSystem& operator=(const TempFileSystem&) = delete;

    std::optional<WideText> RoamingFolder() override { return roaming; }
    void CreateFolder(const WideText& path) override;
    FileRead Read(const WideText& path) override;
    bool IsMissing(const WideText& path) override;
    std::unique_ptr<WritableFile> CreateForWriting(const WideText& path) override;
    FileFailure MoveReplacing(const WideText& from, const WideText& to) override;
    void RemoveFile(const WideText& path) override;
    void RemoveEmptyFolder(const WideText& path) override;
    // The lock file is made in the tree; the locks are shared by every TempFileSystem of the test
    // process, whose threads play the program's copies.
    LockAttempt TryLock(const WideText& lockPath) override;
    WideText ProcessTag() override { return u"4242-test"; }

    // For setting up and checking files directly.
    [[nodiscard]] std::filesystem::path HostPath(const WideText& path) const;
    void PutFile(const WideText& path, Utf8View content) const;
    [[nodiscard]] bool IsFolder(const WideText& path) const;
    // Names of the entries of a folder, sorted; empty when there is no such folder.
    [[nodiscard]] std::vector<WideText> List(const WideText& folder) const;

    std::optional<WideText> roaming = u"C:\\Users\\Ana\\AppData\\Roaming";

  private:
    std::filesystem::path root_;
};

}  // namespace alvena
