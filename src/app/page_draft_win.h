#pragma once

#include <vector>

#include "app/app_state_win.h"
#include "storage/draft.h"

namespace alvena {

// What is typed in every box and chosen in every choice of the chat, laboratory and record
// pages; empty when nothing is typed and every choice stands at its first item. The boxes that
// only show replies are not drafts: what they show is in the history.
[[nodiscard]] std::vector<DraftField> CollectDraft(const AppState& app);

// Puts a draft back into its boxes and choices.
void RestoreDraft(const AppState& app, const std::vector<DraftField>& fields);

// Writes what is typed and chosen to the registered email's draft, when anything is.
void SaveSessionDraft(const AppState& app);

// Puts the registered email's draft back, once: its file goes once read.
void RestoreSessionDraft(const AppState& app);

}  // namespace alvena
