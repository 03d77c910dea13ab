#include "storage/replace_file.h"

#include <atomic>
#include <memory>
#include <string>

#include "protocol/utf8.h"

namespace alvena {

WideText TemporaryPathFor(const WideText& path, WideView processTag, std::uint64_t serial) {
    // Short, whatever the file's own name: a name component holds 255 units at most, and an
    // email's file key may take most of them.
    const std::size_t nameStart = path.rfind(u'\\') + 1;  // 0 without a folder
    return path.substr(0, nameStart) + u"~" + WideText(processTag) + u"-" +
           Utf8ToWide(std::to_string(serial)) + u".tmp";
}

FileFailure ReplaceFileContent(FileSystem& files, const WideText& path, Utf8View content) {
    static std::atomic<std::uint64_t> serials{0};
    const WideText temporary = TemporaryPathFor(path, files.ProcessTag(), ++serials);
    std::unique_ptr<WritableFile> file = files.CreateForWriting(temporary);
    if (!file) {
        return FileFailure::kUnavailable;
    }
    const bool written = file->Write(content) && file->Flush() && file->Close();
    file.reset();
    const FileFailure moved =
        written ? files.MoveReplacing(temporary, path) : FileFailure::kUnavailable;
    if (moved != FileFailure::kNone) {
        files.RemoveFile(temporary);
    }
    return moved;
}

}  // namespace alvena
