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
#include "storage/history_saver.h"
#include "storage/history_text.h"
#include "storage/profile.h"

namespace alvena {

// Page windows, in the order they are created and kept.
enum PageIndex : int { kRegistrationPage, kChatPage, kLabPage, kRecordPage, kHistoryPage };
inline constexpr int kPageCount = 5;

// What the window was last laid out for: the main window's client size, whether an email was
// registered and the DPI. A width of -1: not laid out yet.
struct LayoutBasis {
    int width = -1;
    int height = -1;
    bool registered = false;
    int dpi = 0;
    friend bool operator==(const LayoutBasis&, const LayoutBasis&) = default;
};

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
    // Made at the first "Leer" with an answer to speak, not at start-up: the speech engine
    // costs time and memory that most runs never use. Released after the lists and the
    // profile, before the data folder.
    std::optional<SpeechVoice> voice;
    UserProfile profile;  // an empty email means nobody is registered
    std::array<HWND, kPageCount> pages{};
    // Whether each page's controls exist: the pages not shown at start-up are built just after
    // the first paint, or on the spot when asked for before that.
    std::array<bool, kPageCount> pageBuilt{};
    LayoutBasis laidOutFor;
    std::vector<ChatTurn> conversation;
    HistoryListing history;
    // Writes finished consultations into their history off the window thread.
    HistorySaver historySaver{SystemSaverHooks()};
    bool busy = false;
    HWND focus = nullptr;  // the control that gets the keyboard focus when the window is activated
};

// The process-wide pointer: set from just before the main window exists until the message loop
// has ended, null otherwise.
[[nodiscard]] AppState* CurrentApp();
void SetCurrentApp(AppState* app);

}  // namespace alvena
