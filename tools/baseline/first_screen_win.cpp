// The second yardstick of the start-up and memory benchmarks: what Alvena's first screen needs
// from the platform and nothing more. The bare window plus the common controls version 6 (its
// manifest and InitCommonControlsEx) and exactly the controls a registered user first sees, in
// Alvena's fonts, colours and places: title, subtitle, the tab strip with four tabs, the chat
// page's mode box, transcript, input and two buttons, the status line and the footer. No
// profile, no history, no other page, nothing loaded later.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/control_ids.h"
#include "app/display_text.h"
#include "app/layout.h"
#include "app/main_window_win.h"
#include "floor_window_win.h"

namespace {

using alvena::ControlPlacement;
using alvena::LayoutRect;

struct Fonts {
    HFONT body = nullptr;
    HFONT bold = nullptr;
    HFONT title = nullptr;
};

struct Screen {
    Fonts fonts;
    HBRUSH background = nullptr;
    HBRUSH editBackground = nullptr;
    HWND input = nullptr;
};

Screen screen;

HFONT MakeFont(int height, int weight, const wchar_t* face) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, face);
}

enum class Colour { kNone, kText, kAccent, kMuted };

struct Control {
    int id;
    const wchar_t* className;
    DWORD exStyle;
    DWORD style;
    const wchar_t* text;
    HFONT Fonts::*font;
    Colour colour;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kTextBox = kChild | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL;

// In Alvena's order of creation; the chat page's controls stand in its page area.
const Control kControls[] = {
    {IDC_TITLE, L"STATIC", 0, kChild, L"Alvena", &Fonts::title, Colour::kAccent},
    {IDC_SUBTITLE, L"STATIC", 0, kChild, L"Apoyo clínico · Veltrano Systems", &Fonts::body,
     Colour::kMuted},
    {IDC_TABS, WC_TABCONTROLW, 0, kChild | WS_CLIPSIBLINGS, L"", &Fonts::body, Colour::kNone},
    {IDC_CHAT_MODE, L"COMBOBOX", 0, kChild | CBS_DROPDOWNLIST, L"", &Fonts::body, Colour::kText},
    {IDC_CHAT_TRANSCRIPT, L"EDIT", WS_EX_CLIENTEDGE, kTextBox | ES_READONLY, L"", &Fonts::body,
     Colour::kText},
    {IDC_CHAT_INPUT, L"EDIT", WS_EX_CLIENTEDGE, kTextBox, L"", &Fonts::body, Colour::kText},
    {IDC_CHAT_SEND, L"BUTTON", 0, kChild, L"Enviar", &Fonts::bold, Colour::kNone},
    {IDC_CHAT_READ, L"BUTTON", 0, kChild, L"Leer", &Fonts::bold, Colour::kNone},
    {IDC_STATUS, L"STATIC", 0, kChild, L"Sesión: bench@veltrano.systems", &Fonts::body,
     Colour::kMuted},
    {IDC_FOOTER_NOTE, L"STATIC", 0, kChild | SS_NOTIFY, L"App gratuita · Veltrano Systems",
     &Fonts::body, Colour::kMuted},
    {IDC_FOOTER_SITE, L"STATIC", 0, kChild | SS_NOTIFY, alvena::kHomePageDomain, &Fonts::bold,
     Colour::kAccent},
    {IDC_FOOTER_PRODUCT, L"STATIC", 0, kChild | SS_NOTIFY, L"Sistema médico", &Fonts::bold,
     Colour::kAccent},
};

COLORREF TextColourOf(int id) {
    for (const Control& control : kControls) {
        if (control.id == id) {
            return control.colour == Colour::kAccent  ? alvena::kAccentTextColour
                   : control.colour == Colour::kMuted ? alvena::kMutedTextColour
                                                      : alvena::kTextColour;
        }
    }
    return alvena::kTextColour;
}

// Every control's rectangle at 96 DPI, from Alvena's own layout of this client size.
std::vector<ControlPlacement> Placements(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    std::vector<ControlPlacement> placements =
        alvena::LayoutMainControls(client.right, client.bottom, alvena::kBaseDpi);
    const LayoutRect page =
        alvena::LayoutPageArea(client.right, client.bottom, true, alvena::kBaseDpi);
    for (ControlPlacement placement :
         alvena::LayoutChatPage(page.width, page.height, alvena::kBaseDpi)) {
        placement.rect.x += page.x;
        placement.rect.y += page.y;
        placements.push_back(placement);
    }
    return placements;
}

LayoutRect PlaceOf(const std::vector<ControlPlacement>& placements, int id) {
    for (const ControlPlacement& placement : placements) {
        if (placement.id == id) {
            return placement.rect;
        }
    }
    return {};
}

void OnCreate(HWND window) {
    screen.background = CreateSolidBrush(alvena::kBackgroundColour);
    screen.editBackground = CreateSolidBrush(alvena::kEditBackgroundColour);
    screen.fonts = {MakeFont(16, 400, L"Segoe UI"), MakeFont(16, 600, L"Segoe UI"),
                    MakeFont(24, 700, L"Segoe UI Semibold")};
    const std::vector<ControlPlacement> placements = Placements(window);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const Control& wanted : kControls) {
        const LayoutRect r = PlaceOf(placements, wanted.id);
        HWND control = CreateWindowExW(wanted.exStyle, wanted.className, wanted.text, wanted.style,
                                       r.x, r.y, r.width, r.height, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(wanted.id)),
                                       instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(screen.fonts.*wanted.font),
                     FALSE);
    }
    HWND tabs = GetDlgItem(window, IDC_TABS);
    const wchar_t* const names[] = {L"Chat", L"Laboratorio", L"Expediente", L"Historial"};
    for (int i = 0; i < 4; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(names[i]);
        SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    HWND mode = GetDlgItem(window, IDC_CHAT_MODE);
    SendMessageW(mode, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"autosostenible"));
    SendMessageW(mode, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"api"));
    SendMessageW(mode, CB_SETCURSEL, 0, 0);
    const std::u16string greeting = alvena::TranscriptBlock(
        u"Alvena",
        u"Hola. Describa sus síntomas o consulta. Soy apoyo clínico orientativo y no sustituyo "
        u"valoración médica presencial.");
    SetWindowTextW(GetDlgItem(window, IDC_CHAT_TRANSCRIPT),
                   reinterpret_cast<const wchar_t*>(greeting.c_str()));
    screen.input = GetDlgItem(window, IDC_CHAT_INPUT);
}

LRESULT OnCtlColorStatic(HDC dc, HWND control) {
    SetTextColor(dc, TextColourOf(GetDlgCtrlID(control)));
    wchar_t className[8] = {};
    GetClassNameW(control, className, 8);
    if (lstrcmpiW(className, L"EDIT") == 0) {
        // A read-only box paints each line whole on the window background.
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, alvena::kBackgroundColour);
    } else {
        SetBkMode(dc, TRANSPARENT);
    }
    return reinterpret_cast<LRESULT>(screen.background);
}

LRESULT CALLBACK FirstScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate(window);
            return 0;
        case WM_SETFOCUS:
            SetFocus(screen.input);  // the caret waits in the input, as in Alvena
            return 0;
        case WM_ERASEBKGND: {
            RECT client{};
            GetClientRect(window, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, screen.background);
            return 1;
        }
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_CTLCOLOREDIT:
            SetTextColor(reinterpret_cast<HDC>(wParam), alvena::kTextColour);
            SetBkColor(reinterpret_cast<HDC>(wParam), alvena::kEditBackgroundColour);
            return reinterpret_cast<LRESULT>(screen.editBackground);
        case WM_DESTROY:
            for (HGDIOBJ object :
                 {static_cast<HGDIOBJ>(screen.fonts.body), static_cast<HGDIOBJ>(screen.fonts.bold),
                  static_cast<HGDIOBJ>(screen.fonts.title), static_cast<HGDIOBJ>(screen.background),
                  static_cast<HGDIOBJ>(screen.editBackground)}) {
                DeleteObject(object);
            }
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_TAB_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);

    return RunFloorWindow(instance,
                          {L"FirstScreen", alvena::kMainTitle, FirstScreenWndProc,
                           LoadIconW(nullptr, IDI_APPLICATION)},
                          showCommand);
}
