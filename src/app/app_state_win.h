#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <vector>

#include "app/gdi_object_win.h"
#include "app/layout.h"
#include "consult/chat_request.h"
#include "protocol/wide_text.h"
#include "screens/speech_voice_win.h"
#include "storage/history_entry.h"
#include "storage/profile.h"

namespace alvena {

// Page windows, in the order they are created and kept.
enum PageIndex : int { kRegistrationPage, kChatPage, kLabPage, kRecordPage, kHistoryPage };
inline constexpr int kPageCount = 5;

// The state of the whole process, owned by the entry point for the life of the message loop and
// touched only on the window thread.
struct AppState {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;  // read by consultation workers to post their result
    HWND tabs = nullptr;
    HWND status = nullptr;  // written only through SetStatusText
    UniqueFont bodyFont;
    UniqueFont boldFont;
    UniqueFont titleFont;
    int dpi = kBaseDpi;  // the fonts and every size are made for it; changes with the monitor
    UniqueBrush backgroundBrush;
    UniqueBrush editBrush;
    WideText dataFolder;
    // Made at the first "Leer" with an answer to speak, not at start-up: COM and the speech
    // engine cost time and memory that most runs never use. Released after the lists and the
    // profile, before the data folder.
    std::optional<SpeechVoice> voice;
    UserProfile profile;  // an empty email means nobody is registered
    std::array<HWND, kPageCount> pages{};
    std::vector<ChatTurn> conversation;
    std::vector<HistoryEntry> history;
    bool busy = false;
    HWND focus = nullptr;  // the control that gets the keyboard focus when the window is activated
};

// The process-wide pointer: set from just before the main window exists until the message loop
// has ended, null otherwise.
[[nodiscard]] AppState* CurrentApp();
void SetCurrentApp(AppState* app);

}  // namespace alvena
