#include "app/control_text_win.h"

#include <vector>

#include "app/app_state_win.h"
#include "app/control_ids.h"
#include "app/display_text.h"
#include "protocol/wide_text_win.h"

namespace alvena {

void AppendTranscript(const WideText& label, const WideText& text) {
    const AppState* app = CurrentApp();
    if (app == nullptr) {
        return;
    }
    HWND transcript = GetDlgItem(app->pages[kChatPage], IDC_CHAT_TRANSCRIPT);
    if (transcript == nullptr) {
        return;
    }
    const int end = GetWindowTextLengthW(transcript);
    SendMessageW(transcript, EM_SETSEL, end, end);
    const WideText block = TranscriptBlock(label, text);
    SendMessageW(transcript, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(AsWinText(block)));
}

WideText ReadControlText(HWND control) {
    if (control == nullptr) {
        return {};
    }
    const int length = GetWindowTextLengthW(control);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(control, buffer.data(), length + 1);
    return FromWinText(buffer.data(), wcslen(buffer.data()));
}

WideText ComboSelectionText(HWND page, int id) {
    HWND combo = GetDlgItem(page, id);
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index < 0) {
        return u"autosostenible";
    }
    // Ask the item's length first: the buffer is sized for it, whatever the item holds.
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    if (length < 0) {
        return u"autosostenible";
    }
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
    return FromWinText(buffer.data(), wcslen(buffer.data()));
}

void SetDisplayText(HWND control, const WideText& text) {
    SetWindowTextW(control, AsWinText(ToDisplayLineBreaks(text)));
}

}  // namespace alvena
