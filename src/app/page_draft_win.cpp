#include "app/page_draft_win.h"

#include <cwchar>
#include <string>

#include "app/control_text_win.h"
#include "app/pages_win.h"
#include "protocol/utf8.h"
#include "protocol/wide_text_win.h"
#include "storage/file_system.h"

namespace alvena {
namespace {

constexpr PageIndex kDraftPages[] = {kChatPage, kLabPage, kRecordPage};

enum class DraftKind { kNone, kBox, kChoice };

[[nodiscard]] DraftKind KindOf(HWND control) {
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    if (lstrcmpiW(name, L"COMBOBOX") == 0) {
        return DraftKind::kChoice;
    }
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
    return lstrcmpiW(name, L"EDIT") == 0 && (style & ES_READONLY) == 0 ? DraftKind::kBox
                                                                       : DraftKind::kNone;
}

[[nodiscard]] WideText KeyOf(HWND control) {
    return Utf8ToWide(std::to_string(GetDlgCtrlID(control)));
}

// Calls `visit(control, kind)` for each box and choice of the draft's pages, in the order they
// were made; the pages are built first.
template <typename Visit>
void ForEachDraftControl(const AppState& app, Visit visit) {
    for (PageIndex page : kDraftPages) {
        CompletePage(page);
        for (HWND child = GetWindow(app.pages[page], GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            const DraftKind kind = KindOf(child);
            if (kind != DraftKind::kNone) {
                visit(child, kind);
            }
        }
    }
}

}  // namespace

std::vector<DraftField> CollectDraft(const AppState& app) {
    std::vector<DraftField> fields;
    bool anything = false;
    ForEachDraftControl(app, [&](HWND control, DraftKind kind) {
        if (kind == DraftKind::kBox) {
            fields.push_back({KeyOf(control), ReadControlText(control)});
            anything = anything || !fields.back().value.empty();
        } else {
            const LRESULT chosen = SendMessageW(control, CB_GETCURSEL, 0, 0);
            fields.push_back({KeyOf(control), Utf8ToWide(std::to_string(chosen))});
            anything = anything || chosen > 0;
        }
    });
    return anything ? fields : std::vector<DraftField>{};
}

void RestoreDraft(const AppState& app, const std::vector<DraftField>& fields) {
    ForEachDraftControl(app, [&](HWND control, DraftKind kind) {
        const WideText key = KeyOf(control);
        for (const DraftField& field : fields) {
            if (field.key != key) {
                continue;
            }
            if (kind == DraftKind::kBox) {
                SetWindowTextW(control, AsWinText(field.value));
            } else {
                const long long chosen = std::wcstoll(AsWinText(field.value), nullptr, 10);
                if (chosen >= 0 && chosen < SendMessageW(control, CB_GETCOUNT, 0, 0)) {
                    SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
                }
            }
        }
    });
}

void SaveSessionDraft(const AppState& app) {
    if (app.profile.email.empty()) {
        return;
    }
    const std::vector<DraftField> fields = CollectDraft(app);
    if (!fields.empty()) {
        static_cast<void>(SaveDraft(SystemFileSystem(), app.dataFolder, app.profile.email, fields));
    }
}

void RestoreSessionDraft(const AppState& app) {
    if (app.profile.email.empty()) {
        return;
    }
    std::vector<WideText> keys;
    ForEachDraftControl(app, [&](HWND control, DraftKind) { keys.push_back(KeyOf(control)); });
    const std::vector<DraftField> fields =
        TakeDraft(SystemFileSystem(), app.dataFolder, app.profile.email, keys);
    if (!fields.empty()) {
        RestoreDraft(app, fields);
    }
}

}  // namespace alvena
