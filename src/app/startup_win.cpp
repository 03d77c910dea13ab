#include "app/startup_win.h"

#include <commctrl.h>

#include "app/app_state_win.h"
#include "app/com_apartment_win.h"
#include "app/main_window_win.h"
#include "storage/data_folder.h"

namespace alvena {
namespace {

// Clears the process-wide pointer on every way out of the message loop.
class CurrentAppScope {
  public:
    explicit CurrentAppScope(AppState& app) { SetCurrentApp(&app); }
    ~CurrentAppScope() { SetCurrentApp(nullptr); }
    CurrentAppScope(const CurrentAppScope&) = delete;
    CurrentAppScope& operator=(const CurrentAppScope&) = delete;
};

int RunMessageLoop() {
    MSG message{};
    // GetMessageW gives -1 on error: treat it as the end rather than spin.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int RunAlvena(HINSTANCE instance, int showCommand) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);

    // Ends after AppState, so the voice is released inside it.
    const ComApartment apartment;
    AppState app;
    app.dataFolder = GetDataFolder();
    app.instance = instance;
    const CurrentAppScope scope(app);

    if (!RegisterWindowClasses(instance)) {
        return kExitNoWindowClass;
    }
    HWND window = CreateMainWindow(instance);
    if (window == nullptr) {
        return kExitNoMainWindow;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    // An installer that closes the program to update it, or Windows restarting after updates,
    // starts it again, as it was started; not after a crash or a hang.
    RegisterApplicationRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG);
    return RunMessageLoop();
}

}  // namespace alvena
