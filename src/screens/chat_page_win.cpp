#include "screens/chat_page_win.h"

#include <windows.h>

#include "app/app_state_win.h"
#include "app/control_ids.h"
#include "app/control_text_win.h"
#include "app/focus_win.h"
#include "consult/chat_request.h"
#include "protocol/trim.h"
#include "screens/consult_transport.h"
#include "screens/runner_win.h"

namespace alvena {

void OnSendChat() {
    AppState& app = *CurrentApp();
    HWND page = app.pages[kChatPage];
    HWND input = GetDlgItem(page, IDC_CHAT_INPUT);
    // The caret goes back where the next question is typed, whatever becomes of this one.
    FocusControl(input);
    const WideText question = Trim(ReadControlText(input));
    if (question.empty()) {
        return;
    }
    AppendTranscript(u"Usted", question);
    SetWindowTextW(input, L"");
    app.conversation.push_back({u"user", question});
    const WideText mode = ComboSelectionText(page, IDC_CHAT_MODE);
    // The job keeps its own copies: the window thread goes on changing the conversation.
    StartConsult([question, mode, turns = app.conversation, post = ConsultTransport()] {
        return RunChatConsult(question, mode, turns, post);
    });
}

}  // namespace alvena
