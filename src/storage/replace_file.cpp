#include "storage/replace_file.h"

#include <memory>

namespace alvena {

WideText TemporaryPathFor(const WideText& path) {
    return path + u".tmp";
}

bool ReplaceFileContent(FileSystem& files, const WideText& path, Utf8View content) {
    const WideText temporary = TemporaryPathFor(path);
    std::unique_ptr<WritableFile> file = files.CreateForWriting(temporary);
    if (!file) {
        // Nothing of ours to clean up; the name may be held by another instance's save.
        return false;
    }
    const bool written = file->Write(content) && file->Flush() && file->Close();
    file.reset();
    if (written && files.MoveReplacing(temporary, path)) {
        return true;
    }
    files.RemoveFile(temporary);
    return false;
}

}  // namespace alvena
