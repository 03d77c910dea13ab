#include "app/startup_win.h"

#include <commctrl.h>
#include <objbase.h>

#include "app/app_state_win.h"
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

// The window thread's COM apartment, for the whole run: ShellExecuteW (the footer links) and the
// speech voice both want one. Ends after AppState, so the voice is released inside it.
class ComApartment {
  public:
    ComApartment()
        : initialised_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (initialised_) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool initialised_;
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
    return RunMessageLoop();
}

}  // namespace alvena
