#include "storage/profile.h"

#include <memory>
#include <optional>

#include "protocol/json_text.h"
#include "protocol/trim.h"
#include "protocol/utf8.h"
#include "storage/data_folder.h"
#include "storage/email_key.h"
#include "storage/replace_file.h"

namespace alvena {
namespace {

[[nodiscard]] WideText ProfilePath(const WideText& dataFolder) {
    return dataFolder + u"\\profile.json";
}

}  // namespace

Utf8Text ProfileJson(WideView email, WideView name) {
    return R"({"email":")" + JsonEscape(WideToUtf8(EmailKey(email))) + R"(","name":")" +
           JsonEscape(WideToUtf8(Trim(name))) + R"("})";
}

UserProfile LoadProfile(FileSystem& files, const WideText& dataFolder) {
    const std::optional<Utf8Text> text = files.ReadWholeFile(ProfilePath(dataFolder));
    if (!text) {
        return {};
    }
    return {Utf8ToWide(JsonGetString(*text, "email", "")),
            Utf8ToWide(JsonGetString(*text, "name", ""))};
}

void SaveProfile(FileSystem& files, const WideText& dataFolder, WideView email, WideView name) {
    EnsureDataFolders(files, dataFolder);
    // Two copies registering at once each write a temporary file of their own and rename it into
    // place: the later rename wins whole. On failure the previous profile stays; the reload after
    // registration shows which one won.
    static_cast<void>(ReplaceFileContent(files, ProfilePath(dataFolder), ProfileJson(email, name)));
}

}  // namespace alvena
