#pragma once

#include <windows.h>
#include <commctrl.h>

namespace alvena {

// Reloads the registered email's history from disk into the list; clears the detail box.
void RefreshHistoryList();

// Shows the full text of the row that became selected.
void OnHistoryItemChanged(const NMLISTVIEW& change);

// Gives the list the text of a row's column, which the rows do not hold themselves.
void OnHistoryDisplayInfo(NMLVDISPINFOW& request);

}  // namespace alvena
