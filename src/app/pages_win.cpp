#include "app/pages_win.h"

#include <commctrl.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "app/app_state_win.h"
#include "app/control_ids.h"
#include "app/control_text_win.h"
#include "app/focus_win.h"
#include "app/layout.h"
#include "screens/history_page_win.h"

namespace alvena {
namespace {

enum class ControlKind { kLabel, kBoldLabel, kLineBox, kTextBox, kResultBox, kChoiceBox, kButton };

struct ControlSpec {
    int id;
    ControlKind kind;
    const wchar_t* text;
    LayoutRect rect;  // at 96 DPI, until the window is first laid out
    std::initializer_list<const wchar_t*> items = {};
};

constexpr DWORD kChildVisible = WS_CHILD | WS_VISIBLE;
constexpr DWORD kTextBoxStyle = kChildVisible | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL;

const ControlSpec kRegistrationControls[] = {
    {IDC_REG_WELCOME, ControlKind::kBoldLabel, L"Bienvenido a Alvena", {40, 16, 400, 32}},
    {IDC_REG_TAGLINE, ControlKind::kLabel, L"App gratuita · Veltrano Systems", {40, 52, 400, 20}},
    {IDC_REG_HINT,
     ControlKind::kLabel,
     L"Registre su correo para guardar el historial en este equipo.",
     {40, 80, 500, 20}},
    {IDC_REG_EMAIL_LABEL, ControlKind::kLabel, L"Correo (obligatorio)", {40, 108, 300, 18}},
    {IDC_REG_EMAIL, ControlKind::kLineBox, L"", {40, 128, 400, 28}},
    {IDC_REG_NAME_LABEL, ControlKind::kLabel, L"Nombre (opcional)", {40, 168, 300, 18}},
    {IDC_REG_NAME, ControlKind::kLineBox, L"", {40, 188, 400, 28}},
    {IDC_REG_CONTINUE, ControlKind::kButton, L"Continuar", {40, 236, 160, 32}},
    {IDC_REG_NOTE,
     ControlKind::kLabel,
     L"Alvena incluida en Clínica/Hospital Veltrano Salud.\r\nPróximamente: integración con "
     L"Veltrano Salud para clínicas y hospitales privados.",
     {40, 286, 560, 60}},
};

const ControlSpec kChatControls[] = {
    {IDC_CHAT_MODE, ControlKind::kChoiceBox, L"", {0, 0, 180, 200}, {L"autosostenible", L"api"}},
    {IDC_CHAT_TRANSCRIPT, ControlKind::kResultBox, L"", {0, 30, 400, 200}},
    {IDC_CHAT_INPUT, ControlKind::kTextBox, L"", {0, 240, 300, 60}},
    {IDC_CHAT_SEND, ControlKind::kButton, L"Enviar", {310, 240, 90, 28}},
    {IDC_CHAT_READ, ControlKind::kButton, L"Leer", {410, 240, 90, 28}},
};

const ControlSpec kLabControls[] = {
    {IDC_LAB_TEXT_LABEL,
     ControlKind::kLabel,
     L"Pegue resultados de laboratorio (texto)",
     {0, 0, 400, 18}},
    {IDC_LAB_TEXT, ControlKind::kTextBox, L"", {0, 20, 400, 120}},
    {IDC_LAB_AGE_LABEL, ControlKind::kLabel, L"Edad", {0, 150, 40, 18}},
    {IDC_LAB_AGE, ControlKind::kLineBox, L"", {44, 148, 70, 24}},
    {IDC_LAB_SEX_LABEL, ControlKind::kLabel, L"Sexo", {130, 150, 40, 18}},
    {IDC_LAB_SEX, ControlKind::kChoiceBox, L"", {170, 148, 90, 120}, {L"F", L"M", L"Otro"}},
    {IDC_LAB_SYMPTOMS_LABEL, ControlKind::kLabel, L"Síntomas", {0, 180, 80, 18}},
    {IDC_LAB_SYMPTOMS, ControlKind::kTextBox, L"", {0, 200, 400, 44}},
    {IDC_LAB_ANALYZE, ControlKind::kButton, L"Analizar", {0, 250, 140, 28}},
    {IDC_LAB_RESULT, ControlKind::kResultBox, L"", {0, 290, 400, 120}},
};

const ControlSpec kRecordControls[] = {
    {IDC_REC_ROLE_LABEL, ControlKind::kLabel, L"Rol", {0, 0, 100, 18}},
    {IDC_REC_ROLE, ControlKind::kChoiceBox, L"", {110, 0, 140, 120}, {L"medico", L"enfermeria"}},
    {IDC_REC_AGE_LABEL, ControlKind::kLabel, L"Edad", {0, 0, 100, 18}},
    {IDC_REC_AGE, ControlKind::kLineBox, L"", {110, 0, 100, 22}},
    {IDC_REC_SEX_LABEL, ControlKind::kLabel, L"Sexo", {0, 0, 100, 18}},
    {IDC_REC_SEX, ControlKind::kLineBox, L"", {110, 0, 100, 22}},
    {IDC_REC_ALLERGIES_LABEL, ControlKind::kLabel, L"Alergias", {0, 0, 100, 18}},
    {IDC_REC_ALLERGIES, ControlKind::kLineBox, L"", {110, 0, 200, 22}},
    {IDC_REC_CHRONIC_LABEL, ControlKind::kLabel, L"Crónicas", {0, 0, 100, 18}},
    {IDC_REC_CHRONIC, ControlKind::kLineBox, L"", {110, 0, 200, 22}},
    {IDC_REC_REASON_LABEL, ControlKind::kLabel, L"Motivo", {0, 0, 100, 18}},
    {IDC_REC_REASON, ControlKind::kTextBox, L"", {110, 0, 200, 40}},
    {IDC_REC_VITALS_LABEL, ControlKind::kLabel, L"Signos vit.", {0, 0, 100, 18}},
    {IDC_REC_VITALS, ControlKind::kLineBox, L"", {110, 0, 200, 22}},
    {IDC_REC_EXAM_LABEL, ControlKind::kLabel, L"Exploración", {0, 0, 100, 18}},
    {IDC_REC_EXAM, ControlKind::kTextBox, L"", {110, 0, 200, 40}},
    {IDC_REC_MEDS_LABEL, ControlKind::kLabel, L"Medicamentos", {0, 0, 100, 18}},
    {IDC_REC_MEDS, ControlKind::kLineBox, L"", {110, 0, 200, 22}},
    {IDC_REC_FREE_TEXT_LABEL, ControlKind::kLabel, L"Texto libre", {0, 0, 100, 18}},
    {IDC_REC_FREE_TEXT, ControlKind::kTextBox, L"", {110, 0, 200, 40}},
    {IDC_REC_ANALYZE, ControlKind::kButton, L"Analizar expediente", {0, 0, 160, 28}},
    {IDC_REC_RESULT, ControlKind::kResultBox, L"", {0, 0, 200, 100}},
};

const ControlSpec kHistoryControls[] = {
    {IDC_HIST_REFRESH, ControlKind::kButton, L"Actualizar", {0, 0, 130, 26}},
    {IDC_HIST_CAPTION,
     ControlKind::kLabel,
     L"Consultas guardadas en este equipo (por correo).",
     {140, 4, 400, 18}},
};

struct KindStyle {
    const wchar_t* className;
    DWORD exStyle;
    DWORD style;
};

KindStyle StyleOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::kLabel:
        case ControlKind::kBoldLabel:
            return {L"STATIC", 0, kChildVisible};
        case ControlKind::kLineBox:
            return {L"EDIT", WS_EX_CLIENTEDGE, kChildVisible | ES_AUTOHSCROLL};
        case ControlKind::kTextBox:
            return {L"EDIT", WS_EX_CLIENTEDGE, kTextBoxStyle};
        case ControlKind::kResultBox:
            return {L"EDIT", WS_EX_CLIENTEDGE, kTextBoxStyle | ES_READONLY};
        case ControlKind::kChoiceBox:
            return {L"COMBOBOX", 0, kChildVisible | CBS_DROPDOWNLIST};
        case ControlKind::kButton:
            return {L"BUTTON", 0, kChildVisible};
    }
    return {L"STATIC", 0, kChildVisible};
}

HFONT FontOf(const AppState& app, ControlKind kind) {
    return kind == ControlKind::kButton || kind == ControlKind::kBoldLabel ? app.boldFont.get()
                                                                           : app.bodyFont.get();
}

// Where a page's controls go: the layout's rectangles once the window has been laid out, so that
// each control is made in its place instead of moved there (moving them all costs a fifth as much
// as making them); before that, each control's own rectangle.
class PagePlaces {
  public:
    explicit PagePlaces(std::vector<ControlPlacement> placements)
        : placements_(std::move(placements)) {}

    [[nodiscard]] LayoutRect Of(int id, const LayoutRect& rect96) const {
        for (const ControlPlacement& placement : placements_) {
            if (placement.id == id) {
                return placement.rect;
            }
        }
        return ScaleToDpi(rect96, CurrentApp()->dpi);
    }

  private:
    std::vector<ControlPlacement> placements_;
};

HWND CreateChild(HWND parent, const wchar_t* className, DWORD exStyle, DWORD style,
                 const wchar_t* text, const LayoutRect& rect, int id) {
    return CreateWindowExW(exStyle, className, text, style, rect.x, rect.y, rect.width, rect.height,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           CurrentApp()->instance, nullptr);
}

void CreateControl(HWND page, const PagePlaces& places, const ControlSpec& spec) {
    const AppState& app = *CurrentApp();
    const KindStyle kind = StyleOf(spec.kind);
    HWND control = CreateChild(page, kind.className, kind.exStyle, kind.style, spec.text,
                               places.Of(spec.id, spec.rect), spec.id);
    // The control is drawn when its page is first shown, not before.
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(app, spec.kind)), FALSE);
    for (const wchar_t* item : spec.items) {
        SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    if (spec.items.size() != 0) {
        SendMessageW(control, CB_SETCURSEL, 0, 0);
    }
}

template <std::size_t N>
void CreateControls(HWND page, const PagePlaces& places, const ControlSpec (&controls)[N]) {
    for (const ControlSpec& spec : controls) {
        CreateControl(page, places, spec);
    }
}

void InsertListColumn(HWND list, int index, const wchar_t* text, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = ScaleToDpi(width, CurrentApp()->dpi);
    column.pszText = const_cast<wchar_t*>(text);
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void CreateHistoryControls(HWND page, const PagePlaces& places) {
    // The list keeps the list view's own font.
    HWND list =
        CreateChild(page, WC_LISTVIEWW, 0, kChildVisible | WS_BORDER | LVS_REPORT | LVS_SINGLESEL,
                    L"", places.Of(IDC_HIST_LIST, {0, 32, 300, 200}), IDC_HIST_LIST);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    InsertListColumn(list, 0, L"Consulta", 220);
    InsertListColumn(list, 1, L"Vista previa", 280);
    CreateControl(page, places,
                  {IDC_HIST_DETAIL, ControlKind::kResultBox, L"", {310, 32, 300, 200}});
}

void PlaceControls(HWND page, const std::vector<ControlPlacement>& placements) {
    for (const ControlPlacement& placement : placements) {
        const LayoutRect& r = placement.rect;
        MoveWindow(GetDlgItem(page, placement.id), r.x, r.y, r.width, r.height, TRUE);
    }
}

SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right - client.left, client.bottom - client.top};
}

std::vector<ControlPlacement> PagePlacements(PageIndex index) {
    const AppState& app = *CurrentApp();
    std::vector<ControlPlacement> (*const layouts[kPageCount])(int, int, int) = {
        LayoutRegistrationPage, LayoutChatPage, LayoutLabPage, LayoutRecordPage, LayoutHistoryPage};
    const SIZE size = ClientSize(app.pages[index]);
    return layouts[index](size.cx, size.cy, app.dpi);
}

void LayoutPage(PageIndex index) {
    const AppState& app = *CurrentApp();
    HWND page = app.pages[index];
    if (page == nullptr || !app.pageBuilt[index]) {
        return;
    }
    PlaceControls(page, PagePlacements(index));
}

void BuildChatPage(HWND page, const PagePlaces& places) {
    CreateControls(page, places, kChatControls);
    // The transcript grows for the whole run: lift the edit control's default limit of about
    // 32K characters, past which EM_REPLACESEL would silently drop new answers.
    SendMessageW(GetDlgItem(page, IDC_CHAT_TRANSCRIPT), EM_SETLIMITTEXT, 0, 0);
    AppendTranscript(u"Alvena",
                     u"Hola. Describa sus síntomas o consulta. Soy apoyo clínico orientativo y no "
                     u"sustituyo valoración médica presencial.");
}

void BuildPage(PageIndex index, HWND page, const PagePlaces& places) {
    switch (index) {
        case kRegistrationPage:
            CreateControls(page, places, kRegistrationControls);
            break;
        case kChatPage:
            BuildChatPage(page, places);
            break;
        case kLabPage:
            CreateControls(page, places, kLabControls);
            break;
        case kRecordPage:
            CreateControls(page, places, kRecordControls);
            break;
        case kHistoryPage:
            CreateControls(page, places, kHistoryControls);
            CreateHistoryControls(page, places);
            break;
    }
}

}  // namespace

HWND CreatePageWindow() {
    const AppState& app = *CurrentApp();
    return CreateWindowExW(0, kPageClassName, L"", WS_CHILD, 0, 0, 10, 10, app.mainWindow, nullptr,
                           app.instance, nullptr);
}

void CreatePages() {
    for (HWND& page : CurrentApp()->pages) {
        page = CreatePageWindow();
    }
}

void CompletePage(PageIndex index) {
    AppState& app = *CurrentApp();
    if (app.pageBuilt[index] || app.pages[index] == nullptr) {
        return;
    }
    // Marked first: the new controls' notifications come back here through the main window.
    app.pageBuilt[index] = true;
    const bool laidOut = app.laidOutFor.width >= 0;
    const PagePlaces places(laidOut ? PagePlacements(index) : std::vector<ControlPlacement>{});
    BuildPage(index, app.pages[index], places);
}

void CompletePages() {
    for (PageIndex index : {kRegistrationPage, kChatPage, kLabPage, kRecordPage, kHistoryPage}) {
        CompletePage(index);
    }
}

std::optional<PageIndex> PageOfControl(int id) {
    switch (id / 100) {
        case 11:
        case 23:
            return kRegistrationPage;
        case 12:
            return kChatPage;
        case 13:
        case 20:
            return kLabPage;
        case 14:
        case 21:
            return kRecordPage;
        case 15:
        case 22:
            return kHistoryPage;
        default:
            return std::nullopt;
    }
}

LRESULT CALLBACK PageWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            // Every control reports to the main window, which tells them apart by id.
            if (HWND parent = GetParent(window); parent != nullptr) {
                return SendMessageW(parent, message, wParam, lParam);
            }
            break;
        case WM_ERASEBKGND:
            if (const AppState* app = CurrentApp();
                app != nullptr && app->backgroundBrush.get() != nullptr) {
                RECT client{};
                GetClientRect(window, &client);
                FillRect(reinterpret_cast<HDC>(wParam), &client, app->backgroundBrush.get());
                return 1;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void LayoutWindow() {
    AppState& app = *CurrentApp();
    const SIZE size = ClientSize(app.mainWindow);
    app.laidOutFor = {size.cx, size.cy, !app.profile.email.empty(), app.dpi};
    for (const ControlPlacement& placement : LayoutMainControls(size.cx, size.cy, app.dpi)) {
        HWND control = GetDlgItem(app.mainWindow, placement.id);
        if (control == nullptr) {
            continue;
        }
        const LayoutRect& r = placement.rect;
        MoveWindow(control, r.x, r.y, r.width, r.height, TRUE);
    }
    const LayoutRect area = LayoutPageArea(size.cx, size.cy, !app.profile.email.empty(), app.dpi);
    for (HWND page : app.pages) {
        if (page != nullptr) {
            MoveWindow(page, area.x, area.y, area.width, area.height, TRUE);
        }
    }
    for (PageIndex index : {kChatPage, kLabPage, kRecordPage, kHistoryPage, kRegistrationPage}) {
        LayoutPage(index);
    }
}

void LayoutWindowIfChanged() {
    const AppState& app = *CurrentApp();
    const SIZE size = ClientSize(app.mainWindow);
    if (app.laidOutFor != LayoutBasis{size.cx, size.cy, !app.profile.email.empty(), app.dpi}) {
        LayoutWindow();
    }
}

void ShowPage(int index) {
    const AppState& app = *CurrentApp();
    const bool registered = !app.profile.email.empty();
    // A page asked for before its turn to be built is built now.
    if (!registered) {
        CompletePage(kRegistrationPage);
    } else if (index >= 0 && index <= 3) {
        CompletePage(static_cast<PageIndex>(kChatPage + index));
    }
    for (HWND page : app.pages) {
        ShowWindow(page, SW_HIDE);
    }
    ShowWindow(app.tabs, registered ? SW_SHOW : SW_HIDE);
    if (!registered) {
        ShowWindow(app.pages[kRegistrationPage], SW_SHOW);
        FocusFirstBox(kRegistrationPage);
        return;
    }
    if (index < 0 || index > 3) {
        return;
    }
    if (index == 3) {
        // Reloaded from disk each time the tab is chosen: consultations saved meanwhile appear.
        // Filled while the page is still hidden, so the list and its scroll bars are drawn
        // once, when the page appears, not again for the new rows.
        RefreshHistoryList();
    }
    ShowWindow(app.pages[kChatPage + index], SW_SHOW);
    FocusFirstBox(static_cast<PageIndex>(kChatPage + index));
}

}  // namespace alvena
