#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state_win.h"
#include "app/com_apartment_win.h"
#include "protocol/wide_text.h"

namespace alvena {

// Dispatches every message waiting for this thread's windows.
void PumpMessages();

// Pumps messages until `done` holds or the deadline passes; returns whether it held.
[[nodiscard]] bool PumpUntil(const std::function<bool()>& done,
                             std::chrono::milliseconds deadline = std::chrono::seconds(10));

// A fresh, empty folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    [[nodiscard]] const WideText& path() const { return path_; }

  private:
    WideText path_;
};

struct RecordedMessageBox {
    WideText text;
    WideText caption;
    UINT type = 0;
};

// The main window created in this process, as the program creates it, on a throwaway data
// folder; message boxes and opened URLs are recorded instead of shown.
class MainWindowHarness {
  public:
    // `profileJson`, when not empty, is written as profile.json before the window is made;
    // `beforeCreate` runs right before. Throws std::runtime_error when no window is made. Unless
    // `settle` is false, the messages the window posts itself at its creation are handled before
    // the constructor returns, as the program's message loop would first do.
    explicit MainWindowHarness(const std::string& profileJson = "",
                               const std::function<void()>& beforeCreate = {}, bool settle = true);
    ~MainWindowHarness();
    MainWindowHarness(const MainWindowHarness&) = delete;
    MainWindowHarness& operator=(const MainWindowHarness&) = delete;

    [[nodiscard]] AppState& app() { return *app_; }
    [[nodiscard]] HWND window() const { return window_; }
    [[nodiscard]] HWND page(PageIndex index) const { return app_->pages[index]; }
    [[nodiscard]] HWND control(PageIndex index, int id) const;
    [[nodiscard]] const WideText& dataFolder() const { return folder_.path(); }

    // Resizes the main window so that its client area is width x height.
    void SetClientSize(int width, int height);
    // Clicks a button the way the user does, through the page that holds it.
    void Click(PageIndex index, int id);
    // Picks tab `index` as a click on the tab strip does.
    void SelectTab(int index);
    void Close();

    static std::vector<RecordedMessageBox>& messageBoxes();
    static std::vector<WideText>& openedUrls();

  private:
    const ComApartment apartment_;  // as the program's start-up makes it; outlives the voice
    TempFolder folder_;
    std::unique_ptr<AppState> app_;
    HWND window_ = nullptr;
};

// Text, class and placement of windows, as the tests compare them.
[[nodiscard]] WideText WindowText(HWND window);
[[nodiscard]] WideText WindowClass(HWND window);
[[nodiscard]] RECT RectInParent(HWND window);
[[nodiscard]] std::string Narrow(const WideText& text);

}  // namespace alvena
