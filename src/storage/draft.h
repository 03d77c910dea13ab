#pragma once

#include <vector>

#include "protocol/wide_text.h"
#include "storage/file_system.h"

namespace alvena {

// One thing typed or chosen on a page when the session ended: its key (the control's id as
// decimal text) and its value (a box's text, or a choice's position as decimal text).
struct DraftField {
    WideText key;
    WideText value;
    friend bool operator==(const DraftField&, const DraftField&) = default;
};

// dataFolder\drafts\<file key of the email>.json
[[nodiscard]] WideText DraftFilePath(const WideText& dataFolder, WideView email);

// The content of a draft file: one JSON object on one line, the email key first, then each
// field's key with its value as a string, in the given order.
[[nodiscard]] Utf8Text DraftJson(WideView email, const std::vector<DraftField>& fields);

// Writes the email's draft by the safe replace, making the drafts folder first.
FileFailure SaveDraft(FileSystem& files, const WideText& dataFolder, WideView email,
                      const std::vector<DraftField>& fields);

// The email's draft, once: the fields of `keys` that the file holds, in the order of `keys`;
// the file is then removed, and the drafts folder with its last draft. A file written for
// another email sharing the file key is neither given nor removed.
[[nodiscard]] std::vector<DraftField> TakeDraft(FileSystem& files, const WideText& dataFolder,
                                                WideView email, const std::vector<WideText>& keys);

}  // namespace alvena
