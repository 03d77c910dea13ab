#include "storage/draft.h"

#include <optional>

#include "protocol/json_text.h"
#include "protocol/utf8.h"
#include "storage/email_key.h"
#include "storage/replace_file.h"

namespace alvena {
namespace {

[[nodiscard]] WideText DraftsFolder(const WideText& dataFolder) {
    return dataFolder + u"\\drafts";
}

}  // namespace

WideText DraftFilePath(const WideText& dataFolder, WideView email) {
    return DraftsFolder(dataFolder) + u"\\" + FileKey(email) + u".json";
}

Utf8Text DraftJson(WideView email, const std::vector<DraftField>& fields) {
    Utf8Text json = R"({"email":")" + JsonEscape(WideToUtf8(EmailKey(email))) + "\"";
    for (const DraftField& field : fields) {
        json += R"(,")" + JsonEscape(WideToUtf8(field.key)) + R"(":")" +
                JsonEscape(WideToUtf8(field.value)) + "\"";
    }
    return json + "}";
}

FileFailure SaveDraft(FileSystem& files, const WideText& dataFolder, WideView email,
                      const std::vector<DraftField>& fields) {
    files.CreateFolder(DraftsFolder(dataFolder));
    return ReplaceFileContent(files, DraftFilePath(dataFolder, email), DraftJson(email, fields));
}

std::vector<DraftField> TakeDraft(FileSystem& files, const WideText& dataFolder, WideView email,
                                  const std::vector<WideText>& keys) {
    const WideText path = DraftFilePath(dataFolder, email);
    const std::optional<Utf8Text> text = files.ReadWholeFile(path);
    if (!text || Utf8ToWide(JsonGetString(*text, "email", "")) != EmailKey(email)) {
        return {};
    }
    std::vector<DraftField> fields;
    for (const WideText& key : keys) {
        const std::size_t value = JsonFindValue(*text, WideToUtf8(key));
        if (value != kJsonNone) {
            fields.push_back({key, Utf8ToWide(JsonReadString(*text, value))});
        }
    }
    files.RemoveFile(path);
    files.RemoveEmptyFolder(DraftsFolder(dataFolder));
    return fields;
}

}  // namespace alvena
