#include "tests/support/gui_test_support_win.h"

#include <commctrl.h>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "app/main_window_win.h"
#include "app/ui_seams_win.h"
#include "protocol/utf8.h"
#include "protocol/wide_text_win.h"

namespace alvena {
namespace {

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

int RecordMessageBox(HWND, const WideText& text, const WideText& caption, UINT type) {
    MainWindowHarness::messageBoxes().push_back({text, caption, type});
    return IDOK;
}

void RecordUrl(HWND, const WideText& url) {
    MainWindowHarness::openedUrls().push_back(url);
}

void EnsureClassesRegistered() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES;
        InitCommonControlsEx(&controls);
        return RegisterWindowClasses(GetModuleHandleW(nullptr));
    }();
    if (!registered) {
        throw std::runtime_error("cannot register the window classes");
    }
}

}  // namespace

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            continue;  // the harness's window posts it on destruction; no loop waits for it here
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        PumpMessages();
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"alvena-test-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(counter++);
    RemoveTree(path);
    if (!CreateDirectoryW(path.c_str(), nullptr)) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = FromWinText(path.c_str(), path.size());
}

TempFolder::~TempFolder() {
    RemoveTree(AsWinText(path_));
}

MainWindowHarness::MainWindowHarness(const std::string& profileJson,
                                     const std::function<void()>& beforeCreate, bool settle) {
    EnsureClassesRegistered();
    // Laid out as the program's own data folder: history files go in its "history" folder.
    CreateDirectoryW(AsWinText(folder_.path() + u"\\history"), nullptr);
    if (!profileJson.empty()) {
        std::ofstream file(AsWinText(folder_.path() + u"\\profile.json"), std::ios::binary);
        file << profileJson;
    }
    messageBoxes().clear();
    openedUrls().clear();
    SetMessageBoxFn(RecordMessageBox);
    SetOpenUrlFn(RecordUrl);

    app_ = std::make_unique<AppState>();
    app_->instance = GetModuleHandleW(nullptr);
    app_->dataFolder = folder_.path();
    SetCurrentApp(app_.get());
    if (beforeCreate) {
        beforeCreate();
    }
    window_ = CreateMainWindow(app_->instance);
    if (window_ == nullptr) {
        SetCurrentApp(nullptr);
        throw std::runtime_error("cannot create the main window");
    }
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    if (settle) {
        PumpMessages();
    }
}

MainWindowHarness::~MainWindowHarness() {
    Close();
    SetCurrentApp(nullptr);
    SetMessageBoxFn(nullptr);
    SetOpenUrlFn(nullptr);
}

HWND MainWindowHarness::control(PageIndex index, int id) const {
    return GetDlgItem(app_->pages[index], id);
}

void MainWindowHarness::SetClientSize(int width, int height) {
    RECT outer = {0, 0, width, height};
    AdjustWindowRectEx(&outer, GetWindowLongW(window_, GWL_STYLE), FALSE,
                       GetWindowLongW(window_, GWL_EXSTYLE));
    SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    (void)PumpUntil([&] {
        RECT client;
        GetClientRect(window_, &client);
        return client.right == width && client.bottom == height;
    });
}

void MainWindowHarness::Click(PageIndex index, int id) {
    SendMessageW(control(index, id), BM_CLICK, 0, 0);
    PumpMessages();
}

void MainWindowHarness::SelectTab(int index) {
    SendMessageW(app_->tabs, TCM_SETCURSEL, index, 0);
    NMHDR header{};
    header.hwndFrom = app_->tabs;
    header.idFrom = GetDlgCtrlID(app_->tabs);
    header.code = TCN_SELCHANGE;
    SendMessageW(window_, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    PumpMessages();
}

void MainWindowHarness::Close() {
    if (window_ != nullptr && IsWindow(window_)) {
        DestroyWindow(window_);
    }
    window_ = nullptr;
    PumpMessages();
}

std::vector<RecordedMessageBox>& MainWindowHarness::messageBoxes() {
    static std::vector<RecordedMessageBox> boxes;
    return boxes;
}

std::vector<WideText>& MainWindowHarness::openedUrls() {
    static std::vector<WideText> urls;
    return urls;
}

WideText WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    return FromWinText(text.c_str(), static_cast<std::size_t>(copied));
}

WideText WindowClass(HWND window) {
    wchar_t name[64] = {};
    const int length = GetClassNameW(window, name, 64);
    return FromWinText(name, static_cast<std::size_t>(length));
}

RECT RectInParent(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Narrow(const WideText& text) {
    return WideToUtf8(text);
}

}  // namespace alvena
