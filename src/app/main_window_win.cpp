#include "app/main_window_win.h"

#include <commctrl.h>

#include <optional>
#include <utility>

#include "app/app_state_win.h"
#include "app/control_ids.h"
#include "app/dpi_win.h"
#include "app/focus_win.h"
#include "app/layout.h"
#include "app/page_draft_win.h"
#include "app/pages_win.h"
#include "app/registration_win.h"
#include "app/title_bar_win.h"
#include "app/ui_seams_win.h"
#include "protocol/wide_text_win.h"
#include "screens/analysis_pages_win.h"
#include "screens/chat_page_win.h"
#include "screens/history_page_win.h"
#include "screens/runner_win.h"
#include "screens/speech_voice_win.h"

namespace alvena {
namespace {

struct FontSpec {
    int height;  // at 96 DPI
    int weight;
    const wchar_t* face;
};

constexpr FontSpec kBodyFont = {16, 400, L"Segoe UI"};
constexpr FontSpec kBoldFont = {16, 600, L"Segoe UI"};
constexpr FontSpec kTitleFont = {24, 700, L"Segoe UI Semibold"};

HFONT MakeFont(const FontSpec& spec, int dpi) {
    return CreateFontW(ScaleToDpi(spec.height, dpi), 0, 0, 0, spec.weight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, spec.face);
}

HWND CreateLabel(HWND parent, int id, const wchar_t* text, DWORD extraStyle, LayoutRect rect,
                 HFONT font) {
    const LayoutRect r = ScaleToDpi(rect, CurrentApp()->dpi);
    HWND label = CreateWindowExW(
        0, L"STATIC", text, WS_CHILD | WS_VISIBLE | extraStyle, r.x, r.y, r.width, r.height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), CurrentApp()->instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return label;
}

void CreateTabStrip(AppState& app, HWND window) {
    const LayoutRect r = ScaleToDpi({8, 44, 600, 30}, app.dpi);
    app.tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, r.x,
                               r.y, r.width, r.height, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TABS)),
                               app.instance, nullptr);
    SendMessageW(app.tabs, WM_SETFONT, reinterpret_cast<WPARAM>(app.bodyFont.get()), TRUE);
    const wchar_t* const names[] = {L"Chat", L"Laboratorio", L"Expediente", L"Historial"};
    for (int i = 0; i < 4; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(names[i]);
        SendMessageW(app.tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
}

LRESULT OnCreate(HWND window) {
    AppState& app = *CurrentApp();
    app.mainWindow = window;
    app.dpi = WindowDpi(window);
    UseDarkTitleBar(window);  // before the window is first shown, so its caption is never white
    app.backgroundBrush.reset(CreateSolidBrush(kBackgroundColour));
    app.editBrush.reset(CreateSolidBrush(kEditBackgroundColour));
    app.bodyFont.reset(MakeFont(kBodyFont, app.dpi));
    app.boldFont.reset(MakeFont(kBoldFont, app.dpi));
    app.titleFont.reset(MakeFont(kTitleFont, app.dpi));

    CreateLabel(window, IDC_TITLE, L"Alvena", 0, {12, 8, 200, 28}, app.titleFont.get());
    CreateLabel(window, IDC_SUBTITLE, L"Apoyo clínico · Veltrano Systems", 0, {240, 12, 400, 22},
                app.bodyFont.get());
    CreateTabStrip(app, window);
    CreatePages();
    app.status =
        CreateLabel(window, IDC_STATUS, L"Listo", 0, {12, 400, 400, 20}, app.bodyFont.get());
    CreateLabel(window, IDC_FOOTER_NOTE, L"App gratuita · Veltrano Systems", SS_NOTIFY,
                {12, 420, 400, 16}, app.bodyFont.get());
    CreateLabel(window, IDC_FOOTER_SITE, kHomePageDomain, SS_NOTIFY, {12, 440, 200, 16},
                app.boldFont.get());
    CreateLabel(window, IDC_FOOTER_PRODUCT, L"Sistema médico", SS_NOTIFY, {220, 440, 180, 16},
                app.boldFont.get());
    ApplyProfile();
    // Handled once the message loop runs, after the first paint and before any input: the
    // pages not shown cost nothing before the window appears, and no click can reach one
    // before it is built.
    PostMessageW(window, WM_COMPLETE_PAGES, 0, 0);
    return 0;
}

// The window moved to a monitor of another scale: everything is made again for the new DPI.
void OnDpiChanged(HWND window, int dpi, const RECT& suggested) {
    AppState& app = *CurrentApp();
    const int oldDpi = std::exchange(app.dpi, dpi);
    UniqueFont body(MakeFont(kBodyFont, dpi));
    UniqueFont bold(MakeFont(kBoldFont, dpi));
    UniqueFont title(MakeFont(kTitleFont, dpi));
    ReplaceFonts(window, {{app.bodyFont.get(), body.get()},
                          {app.boldFont.get(), bold.get()},
                          {app.titleFont.get(), title.get()}});
    app.bodyFont = std::move(body);
    app.boldFont = std::move(bold);
    app.titleFont = std::move(title);
    RescaleListColumns(GetDlgItem(app.pages[kHistoryPage], IDC_HIST_LIST), oldDpi, dpi);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The suggested size may be the current one, which sends no WM_SIZE; a WM_SIZE that came
    // has laid everything out for the new DPI already.
    LayoutWindowIfChanged();
}

void OnDestroy() {
    AppState& app = *CurrentApp();
    // The window is off the screen already; an answer that came just before the close is
    // written before the process ends.
    app.historySaver.Finish(kCloseSaveWait);
    app.bodyFont.reset();
    app.boldFont.reset();
    app.titleFont.reset();
    app.backgroundBrush.reset();
    app.editBrush.reset();
    PostQuitMessage(0);
}

// Windows ends the session (sign-out, shutdown), or an installer's Restart Manager closes the
// program to update it: what is typed is kept as a draft for the next start, and the history
// saves under way are finished, before Windows ends the process once this returns. For a close
// by an installer the window goes too, and the process ends by itself.
void OnEndSession(HWND window, bool ending, LPARAM reason) {
    if (!ending) {
        return;  // another program refused: the session goes on
    }
    AppState& app = *CurrentApp();
    // The draft first: it takes a moment, a save may wait for a held file.
    SaveSessionDraft(app);
    app.historySaver.Finish(kCloseSaveWait);
    if ((reason & ENDSESSION_CLOSEAPP) != 0) {
        DestroyWindow(window);
    }
}

LRESULT OnEraseBackground(HWND window, HDC dc) {
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, CurrentApp()->backgroundBrush.get());
    return 1;
}

COLORREF StaticTextColour(int id) {
    switch (id) {
        case IDC_FOOTER_SITE:
        case IDC_FOOTER_PRODUCT:
        case IDC_TITLE:
            return kAccentTextColour;
        case IDC_FOOTER_NOTE:
        case IDC_STATUS:
        case IDC_SUBTITLE:
            return kMutedTextColour;
        default:
            return kTextColour;
    }
}

bool IsEditControl(HWND control) {
    wchar_t name[8] = {};
    return GetClassNameW(control, name, 8) > 0 &&
           CompareStringOrdinal(name, -1, WC_EDITW, -1, TRUE) == CSTR_EQUAL;
}

// Labels and read-only boxes stand on the window background; only editable boxes are lighter.
// A label is drawn over its background. An edit control paints each line with the background
// colour instead: Windows' does not erase behind the text it redraws, so transparent text would
// pile up on its own earlier image (a selection's remnants, ever bolder glyphs).
LRESULT OnCtlColorStatic(HDC dc, HWND control) {
    if (IsEditControl(control)) {
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, kBackgroundColour);
    } else {
        SetBkMode(dc, TRANSPARENT);
    }
    SetTextColor(dc, StaticTextColour(GetDlgCtrlID(control)));
    return reinterpret_cast<LRESULT>(CurrentApp()->backgroundBrush.get());
}

LRESULT OnCtlColorEdit(HDC dc) {
    SetTextColor(dc, kTextColour);
    SetBkColor(dc, kEditBackgroundColour);
    return reinterpret_cast<LRESULT>(CurrentApp()->editBrush.get());
}

void OnNotify(NMHDR& header) {
    if (header.idFrom == IDC_TABS && header.code == static_cast<UINT>(TCN_SELCHANGE)) {
        ShowPage(static_cast<int>(SendMessageW(CurrentApp()->tabs, TCM_GETCURSEL, 0, 0)));
    }
    // Each code carries its own record; the list's other notifications are smaller.
    if (header.idFrom == IDC_HIST_LIST && header.code == static_cast<UINT>(LVN_ITEMCHANGED)) {
        OnHistoryItemChanged(*reinterpret_cast<const NMLISTVIEW*>(&header));
    }
    if (header.idFrom == IDC_HIST_LIST && header.code == static_cast<UINT>(LVN_GETDISPINFOW)) {
        OnHistoryDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(&header));
    }
}

void OnCommand(HWND window, int id) {
    if (const std::optional<PageIndex> page = PageOfControl(id)) {
        CompletePage(*page);  // a command sent to a page before its turn to be built
    }
    switch (id) {
        case IDC_FOOTER_NOTE:
        case IDC_FOOTER_SITE:
            OpenUrl(window, kHomePageUrl);
            break;
        case IDC_FOOTER_PRODUCT:
            OpenUrl(window, kProductPageUrl);
            break;
        case IDC_REG_CONTINUE:
            OnContinue();
            break;
        case IDC_CHAT_SEND:
            OnSendChat();
            break;
        case IDC_CHAT_READ:
            OnReadAloud();
            break;
        case IDC_LAB_ANALYZE:
            OnAnalyzeLab();
            break;
        case IDC_REC_ANALYZE:
            OnAnalyzeRecord();
            break;
        case IDC_HIST_REFRESH:
            RefreshHistoryList();
            break;
        default:
            break;
    }
}

ShowState ShowStateOf(HWND window) {
    if (IsIconic(window)) {
        return ShowState::kMinimized;
    }
    return IsZoomed(window) ? ShowState::kMaximized : ShowState::kNormal;
}

}  // namespace

void FitMainWindowToWorkArea(HWND window) {
    RECT outer{};
    GetWindowRect(window, &outer);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    const bool placed = GetWindowPlacement(window, &placement) != FALSE;
    const RECT& normal = placement.rcNormalPosition;
    const MainWindowFrame frame{
        placed ? ShowStateOf(window) : ShowState::kNormal,
        {outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top},
        {normal.left, normal.top, normal.right - normal.left, normal.bottom - normal.top}};
    const std::optional<MainWindowFit> fit =
        FitCreatedMainWindow(frame, CurrentApp()->dpi, WorkAreaOf(window), WorkspaceAreaOf(window));
    if (!fit) {
        return;
    }
    const LayoutRect& r = fit->rect;
    if (fit->target == FitTarget::kWindow) {
        SetWindowPos(window, nullptr, r.x, r.y, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    placement.rcNormalPosition = RECT{r.x, r.y, r.x + r.width, r.y + r.height};
    // A minimized launch stays in the background, as the launcher asked.
    placement.showCmd =
        frame.state == ShowState::kMinimized ? SW_SHOWMINNOACTIVE : SW_SHOWMAXIMIZED;
    SetWindowPlacement(window, &placement);
}

bool RegisterWindowClasses(HINSTANCE instance) {
    WNDCLASSEXW page{};
    page.cbSize = sizeof(page);
    page.lpfnWndProc = PageWndProc;
    page.hInstance = instance;
    page.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    page.lpszClassName = kPageClassName;
    if (RegisterClassExW(&page) == 0) {
        return false;
    }
    WNDCLASSEXW main{};
    main.cbSize = sizeof(main);
    main.lpfnWndProc = MainWndProc;
    main.hInstance = instance;
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    main.lpszClassName = kMainClassName;
    return RegisterClassExW(&main) != 0;
}

HWND CreateMainWindow(HINSTANCE instance) {
    // Sized for the screen's DPI first, then for the DPI and work area of the monitor it opened on.
    const LayoutRect first = FitMainWindow(0, 0, ScreenDpi(), WorkAreaOf(nullptr));
    HWND window = CreateWindowExW(0, kMainClassName, kMainTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  CW_USEDEFAULT, CW_USEDEFAULT, first.width, first.height, nullptr,
                                  nullptr, instance, nullptr);
    if (window == nullptr) {
        return nullptr;
    }
    FitMainWindowToWorkArea(window);
    return window;
}

namespace {

LRESULT HandleMainMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate(window);
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_SIZE:
            LayoutWindowIfChanged();
            return 0;
        case WM_DPICHANGED:
            OnDpiChanged(window, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_ACTIVATE:
            OnActivate(window, wParam);
            return DefWindowProcW(window, message, wParam, lParam);
        case WM_SETFOCUS:
            OnMainWindowFocus(window);
            return 0;
        case WM_ERASEBKGND:
            return OnEraseBackground(window, reinterpret_cast<HDC>(wParam));
        case WM_NOTIFY:
            OnNotify(*reinterpret_cast<NMHDR*>(lParam));
            return 0;
        case WM_COMMAND:
            OnCommand(window, LOWORD(wParam));
            return 0;
        case WM_CTLCOLOREDIT:
            return OnCtlColorEdit(reinterpret_cast<HDC>(wParam));
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_COMPLETE_PAGES:
            CompletePages();
            RestoreSessionDraft(*CurrentApp());
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            OnEndSession(window, wParam != FALSE, lParam);
            return 0;
        case WM_CONSULT_DONE:
            OnConsultDone(reinterpret_cast<ConsultResult*>(lParam));
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // No exception may cross into the system's code that called us; the handlers free what they
    // own on the way out, and the window carries on. A window that failed while being built is
    // refused instead: its creation then fails, and start-up ends as without a window.
    try {
        return HandleMainMessage(window, message, wParam, lParam);
    } catch (...) {
        if (message == WM_NCCREATE) {
            return FALSE;
        }
        return message == WM_CREATE ? -1 : 0;
    }
}

void SetStatusText(const WideText& text) {
    const AppState* app = CurrentApp();
    if (app == nullptr || app->status == nullptr) {
        return;
    }
    SetWindowTextW(app->status, AsWinText(text));
}

}  // namespace alvena
