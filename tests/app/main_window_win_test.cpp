// The real main window, created in this process under Wine: controls, layout, colours, tabs and
// registration, checked through window messages.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/control_text_win.h"
#include "app/dpi_win.h"
#include "app/layout.h"
#include "app/main_window_win.h"
#include "app/title_bar_win.h"
#include "protocol/wide_text_win.h"
#include "storage/history_store.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/gui_test_support_win.h"

namespace alvena {
namespace {

constexpr char kRegisteredProfile[] = R"({"email":"ana@clinica.es","name":"Ana"})";
constexpr char16_t kGreetingBlock[] =
    u"Alvena:\r\nHola. Describa sus síntomas o consulta. Soy apoyo clínico orientativo y no "
    u"sustituyo valoración médica presencial.\r\n\r\n";

RECT ClientRectOf(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client;
}

std::string ReadFileBytes(const WideText& path) {
    std::ifstream file(AsWinText(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool IsShown(HWND window) {
    return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

TEST(MainWindow, FirstStartShowsOnlyTheRegistrationPageUnderTheHeader) {
    MainWindowHarness ui;
    EXPECT_EQ(Narrow(WindowText(ui.window())), "Alvena — Veltrano Systems");
    EXPECT_FALSE(IsShown(ui.app().tabs));
    EXPECT_TRUE(IsShown(ui.page(kRegistrationPage)));
    for (PageIndex page : {kChatPage, kLabPage, kRecordPage, kHistoryPage}) {
        EXPECT_FALSE(IsShown(ui.page(page))) << page;
    }
    EXPECT_EQ(RectInParent(ui.page(kRegistrationPage)).top, 50);
    EXPECT_EQ(Narrow(WindowText(ui.app().status)), "Registre su correo para comenzar");
}

// A window that could not be built whole is no window: start-up ends as when the platform
// refuses to make one.
TEST(MainWindow, AFailureWhileBeingBuiltLeavesNoWindow) {
    EXPECT_THROW(MainWindowHarness(kRegisteredProfile, [] { FailNextAllocations(1); }),
                 std::runtime_error);
    EXPECT_EQ(FindWindowW(kMainClassName, nullptr), nullptr);
}

TEST(MainWindow, RegisteredStartShowsTheChatPageWithTheGreeting) {
    MainWindowHarness ui(kRegisteredProfile);
    EXPECT_TRUE(IsShown(ui.app().tabs));
    EXPECT_TRUE(IsShown(ui.page(kChatPage)));
    EXPECT_FALSE(IsShown(ui.page(kRegistrationPage)));
    EXPECT_EQ(RectInParent(ui.page(kChatPage)).top, 80);
    EXPECT_EQ(WindowText(ui.app().status), u"Sesión: ana@clinica.es");
    EXPECT_EQ(WindowText(ui.control(kChatPage, IDC_CHAT_TRANSCRIPT)), kGreetingBlock);
    EXPECT_EQ(TabCtrl_GetItemCount(ui.app().tabs), 4);
}

struct ControlExpectation {
    PageIndex page;
    int id;
    const char16_t* className;
    const char16_t* text;
    DWORD style;
    DWORD exStyle;
};

constexpr DWORD kLabel = 0x50000000;
constexpr DWORD kLineBox = 0x50000080;
constexpr DWORD kTextBox = 0x50200044;
constexpr DWORD kResultBox = 0x50200844;
constexpr DWORD kChoiceBox = 0x50000003;
constexpr DWORD kButton = 0x50000000;
constexpr DWORD kEdge = WS_EX_CLIENTEDGE;

const ControlExpectation kControls[] = {
    {kRegistrationPage, IDC_REG_WELCOME, u"Static", u"Bienvenido a Alvena", kLabel, 0},
    {kRegistrationPage, IDC_REG_TAGLINE, u"Static", u"App gratuita · Veltrano Systems", kLabel, 0},
    {kRegistrationPage, IDC_REG_HINT, u"Static",
     u"Registre su correo para guardar el historial en este equipo.", kLabel, 0},
    {kRegistrationPage, IDC_REG_EMAIL_LABEL, u"Static", u"Correo (obligatorio)", kLabel, 0},
    {kRegistrationPage, IDC_REG_EMAIL, u"Edit", u"", kLineBox, kEdge},
    {kRegistrationPage, IDC_REG_NAME_LABEL, u"Static", u"Nombre (opcional)", kLabel, 0},
    {kRegistrationPage, IDC_REG_NAME, u"Edit", u"", kLineBox, kEdge},
    {kRegistrationPage, IDC_REG_CONTINUE, u"Button", u"Continuar", kButton, 0},
    {kRegistrationPage, IDC_REG_NOTE, u"Static",
     u"Alvena incluida en Clínica/Hospital Veltrano Salud.\r\nPróximamente: integración con "
     u"Veltrano Salud para clínicas y hospitales privados.",
     kLabel, 0},
    {kChatPage, IDC_CHAT_MODE, u"ComboBox", u"autosostenible", kChoiceBox, 0},
    {kChatPage, IDC_CHAT_TRANSCRIPT, u"Edit", kGreetingBlock, kResultBox, kEdge},
    {kChatPage, IDC_CHAT_INPUT, u"Edit", u"", kTextBox, kEdge},
    {kChatPage, IDC_CHAT_SEND, u"Button", u"Enviar", kButton, 0},
    {kChatPage, IDC_CHAT_READ, u"Button", u"Leer", kButton, 0},
    {kLabPage, IDC_LAB_TEXT_LABEL, u"Static", u"Pegue resultados de laboratorio (texto)", kLabel,
     0},
    {kLabPage, IDC_LAB_TEXT, u"Edit", u"", kTextBox, kEdge},
    {kLabPage, IDC_LAB_AGE_LABEL, u"Static", u"Edad", kLabel, 0},
    {kLabPage, IDC_LAB_AGE, u"Edit", u"", kLineBox, kEdge},
    {kLabPage, IDC_LAB_SEX_LABEL, u"Static", u"Sexo", kLabel, 0},
    {kLabPage, IDC_LAB_SEX, u"ComboBox", u"F", kChoiceBox, 0},
    {kLabPage, IDC_LAB_SYMPTOMS_LABEL, u"Static", u"Síntomas", kLabel, 0},
    {kLabPage, IDC_LAB_SYMPTOMS, u"Edit", u"", kTextBox, kEdge},
    {kLabPage, IDC_LAB_ANALYZE, u"Button", u"Analizar", kButton, 0},
    {kLabPage, IDC_LAB_RESULT, u"Edit", u"", kResultBox, kEdge},
    {kRecordPage, IDC_REC_ROLE_LABEL, u"Static", u"Rol", kLabel, 0},
    {kRecordPage, IDC_REC_ROLE, u"ComboBox", u"medico", kChoiceBox, 0},
    {kRecordPage, IDC_REC_AGE_LABEL, u"Static", u"Edad", kLabel, 0},
    {kRecordPage, IDC_REC_AGE, u"Edit", u"", kLineBox, kEdge},
    {kRecordPage, IDC_REC_SEX_LABEL, u"Static", u"Sexo", kLabel, 0},
    {kRecordPage, IDC_REC_SEX, u"Edit", u"", kLineBox, kEdge},
    {kRecordPage, IDC_REC_ALLERGIES_LABEL, u"Static", u"Alergias", kLabel, 0},
    {kRecordPage, IDC_REC_ALLERGIES, u"Edit", u"", kLineBox, kEdge},
    {kRecordPage, IDC_REC_CHRONIC_LABEL, u"Static", u"Crónicas", kLabel, 0},
    {kRecordPage, IDC_REC_CHRONIC, u"Edit", u"", kLineBox, kEdge},
    {kRecordPage, IDC_REC_REASON_LABEL, u"Static", u"Motivo", kLabel, 0},
    {kRecordPage, IDC_REC_REASON, u"Edit", u"", kTextBox, kEdge},
    {kRecordPage, IDC_REC_VITALS_LABEL, u"Static", u"Signos vit.", kLabel, 0},
    {kRecordPage, IDC_REC_VITALS, u"Edit", u"", kLineBox, kEdge},
    {kRecordPage, IDC_REC_EXAM_LABEL, u"Static", u"Exploración", kLabel, 0},
    {kRecordPage, IDC_REC_EXAM, u"Edit", u"", kTextBox, kEdge},
    {kRecordPage, IDC_REC_MEDS_LABEL, u"Static", u"Medicamentos", kLabel, 0},
    {kRecordPage, IDC_REC_MEDS, u"Edit", u"", kLineBox, kEdge},
    {kRecordPage, IDC_REC_FREE_TEXT_LABEL, u"Static", u"Texto libre", kLabel, 0},
    {kRecordPage, IDC_REC_FREE_TEXT, u"Edit", u"", kTextBox, kEdge},
    {kRecordPage, IDC_REC_ANALYZE, u"Button", u"Analizar expediente", kButton, 0},
    {kRecordPage, IDC_REC_RESULT, u"Edit", u"", kResultBox, kEdge},
    {kHistoryPage, IDC_HIST_REFRESH, u"Button", u"Actualizar", kButton, 0},
    {kHistoryPage, IDC_HIST_CAPTION, u"Static", u"Consultas guardadas en este equipo (por correo).",
     kLabel, 0},
    {kHistoryPage, IDC_HIST_LIST, u"SysListView32", u"", 0x50800005, 0},
    {kHistoryPage, IDC_HIST_DETAIL, u"Edit", u"", kResultBox, kEdge},
};

std::vector<ControlPlacement> PageLayout(PageIndex page, int width, int height, int dpi) {
    switch (page) {
        case kRegistrationPage:
            return LayoutRegistrationPage(width, height, dpi);
        case kChatPage:
            return LayoutChatPage(width, height, dpi);
        case kLabPage:
            return LayoutLabPage(width, height, dpi);
        case kRecordPage:
            return LayoutRecordPage(width, height, dpi);
        case kHistoryPage:
            return LayoutHistoryPage(width, height, dpi);
    }
    return {};
}

LayoutRect ExpectedRect(PageIndex page, int id, const RECT& pageClient) {
    for (const ControlPlacement& placement :
         PageLayout(page, pageClient.right, pageClient.bottom, kBaseDpi)) {
        if (placement.id == id) {
            return placement.rect;
        }
    }
    ADD_FAILURE() << "no layout for control " << id;
    return {};
}

LayoutRect AsLayoutRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

TEST(MainWindow, EveryControlHasItsClassTextStyleAndPlaceAfterAResize) {
    MainWindowHarness ui(kRegisteredProfile);
    for (const auto& [width, height] : {std::pair{1100, 760}, std::pair{700, 420}}) {
        ui.SetClientSize(width, height);
        const LayoutRect area = LayoutPageArea(width, height, true, kBaseDpi);
        for (HWND page : ui.app().pages) {
            EXPECT_EQ(AsLayoutRect(RectInParent(page)), area);
        }
        for (const ControlExpectation& c : kControls) {
            SCOPED_TRACE(testing::Message()
                         << "control " << c.id << " at " << width << "x" << height);
            HWND control = ui.control(c.page, c.id);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(GetDlgCtrlID(control), c.id);
            EXPECT_EQ(Narrow(WindowClass(control)), Narrow(c.className));
            EXPECT_EQ(Narrow(WindowText(control)), Narrow(c.text));
            // A list view adds and removes its own scroll bars as its columns outgrow it.
            const DWORD ownBars = c.id == IDC_HIST_LIST ? WS_HSCROLL | WS_VSCROLL : 0;
            EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)) & ~ownBars, c.style);
            EXPECT_EQ(GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, c.exStyle);
            const LayoutRect actual = AsLayoutRect(RectInParent(control));
            const LayoutRect expected = ExpectedRect(c.page, c.id, ClientRectOf(ui.page(c.page)));
            EXPECT_EQ(actual.x, expected.x);
            EXPECT_EQ(actual.y, expected.y);
            EXPECT_EQ(actual.width, expected.width);
            if (Narrow(WindowClass(control)) != "ComboBox") {  // a combo box sizes its own field
                EXPECT_EQ(actual.height, expected.height);
            }
        }
        for (const ControlPlacement& placement : LayoutMainControls(width, height, kBaseDpi)) {
            SCOPED_TRACE(testing::Message() << "main control " << placement.id);
            EXPECT_EQ(AsLayoutRect(RectInParent(GetDlgItem(ui.window(), placement.id))),
                      placement.rect);
        }
    }
}

TEST(MainWindow, TabsSwitchPagesAndKeepWhatWasTyped) {
    MainWindowHarness ui(kRegisteredProfile);
    SetWindowTextW(ui.control(kLabPage, IDC_LAB_TEXT), L"Hb 10.2 g/dL");
    const PageIndex pages[] = {kChatPage, kLabPage, kRecordPage, kHistoryPage};
    for (int tab : {1, 2, 3, 0, 1}) {
        ui.SelectTab(tab);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(IsShown(ui.page(pages[i])), i == tab) << "tab " << tab << " page " << i;
        }
        EXPECT_FALSE(IsShown(ui.page(kRegistrationPage)));
    }
    EXPECT_EQ(WindowText(ui.control(kLabPage, IDC_LAB_TEXT)), u"Hb 10.2 g/dL");
}

int DirectChildCount(HWND window) {
    int count = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        ++count;
    }
    return count;
}

TEST(MainWindow, PagesAskedForBeforeTheirTurnAreBuiltOnTheSpotAndOnlyOnce) {
    MainWindowHarness ui(kRegisteredProfile, {}, /*settle=*/false);
    // The Laboratorio tab, chosen before the window has handled any message of its own.
    SendMessageW(ui.app().tabs, TCM_SETCURSEL, 1, 0);
    NMHDR header{ui.app().tabs, IDC_TABS, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(ui.window(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    EXPECT_TRUE(IsShown(ui.page(kLabPage)));
    EXPECT_FALSE(IsShown(ui.page(kChatPage)));
    for (const ControlExpectation& c : kControls) {
        if (c.page != kLabPage) {
            continue;
        }
        HWND control = ui.control(kLabPage, c.id);
        ASSERT_NE(control, nullptr) << c.id;
        EXPECT_EQ(Narrow(WindowText(control)), Narrow(c.text)) << c.id;
        const LayoutRect expected = ExpectedRect(kLabPage, c.id, ClientRectOf(ui.page(kLabPage)));
        EXPECT_EQ(AsLayoutRect(RectInParent(control)).y, expected.y) << c.id;
        EXPECT_EQ(AsLayoutRect(RectInParent(control)).width, expected.width) << c.id;
    }

    // "Actualizar" pressed before the history page's turn lists the saved consultation.
    std::ofstream(AsWinText(HistoryFilePath(ui.dataFolder(), u"ana@clinica.es")), std::ios::binary)
        << R"([{"id":"1","email":"ana@clinica.es","type":"chat","title":"Fiebre",)"
           R"("preview":"Beba","detail":"Beba agua.","createdAt":1}])";
    SendMessageW(ui.window(), WM_COMMAND, MAKEWPARAM(IDC_HIST_REFRESH, BN_CLICKED), 0);
    EXPECT_EQ(SendMessageW(ui.control(kHistoryPage, IDC_HIST_LIST), LVM_GETITEMCOUNT, 0, 0), 1);

    PumpMessages();
    const int tableSizes[kPageCount] = {9, 5, 10, 22, 4};
    for (int page = 0; page < kPageCount; ++page) {
        EXPECT_EQ(DirectChildCount(ui.page(static_cast<PageIndex>(page))), tableSizes[page])
            << "page " << page;
    }
    EXPECT_EQ(WindowText(ui.control(kChatPage, IDC_CHAT_TRANSCRIPT)), kGreetingBlock);
}

struct Colours {
    COLORREF text;
    int backgroundMode;
    COLORREF background;
    LRESULT brush;
};

// What the device context holds after the colour message, starting from the other mode and a
// background colour the program never uses.
Colours ColoursFor(HWND mainWindow, UINT message, HWND control, int startMode) {
    HDC dc = GetDC(control);
    SetBkMode(dc, startMode);
    SetBkColor(dc, RGB(1, 2, 3));
    const LRESULT brush = SendMessageW(mainWindow, message, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(control));
    const Colours colours{GetTextColor(dc), GetBkMode(dc), GetBkColor(dc), brush};
    ReleaseDC(control, dc);
    return colours;
}

TEST(MainWindow, ControlsAskForTheDarkSchemeColours) {
    MainWindowHarness ui(kRegisteredProfile);
    const auto background = reinterpret_cast<LRESULT>(ui.app().backgroundBrush.get());
    const auto edit = reinterpret_cast<LRESULT>(ui.app().editBrush.get());
    ASSERT_NE(background, 0);
    ASSERT_NE(edit, 0);

    constexpr COLORREF kText = RGB(226, 232, 240);
    constexpr COLORREF kWindowBackground = RGB(11, 18, 32);
    // Labels are drawn over the window background; read-only boxes paint each line whole in its
    // colour, since Windows' edit control does not erase behind the text it redraws.
    const struct {
        HWND control;
        UINT message;
        COLORREF text;
        LRESULT brush;
        int mode;             // the background mode asked for; 0 when the control's own stays
        COLORREF background;  // looked at only in the opaque mode
    } cases[] = {
        {GetDlgItem(ui.window(), IDC_TITLE), WM_CTLCOLORSTATIC, RGB(20, 184, 166), background,
         TRANSPARENT, 0},
        {GetDlgItem(ui.window(), IDC_FOOTER_SITE), WM_CTLCOLORSTATIC, RGB(20, 184, 166), background,
         TRANSPARENT, 0},
        {ui.app().status, WM_CTLCOLORSTATIC, RGB(148, 163, 184), background, TRANSPARENT, 0},
        {GetDlgItem(ui.window(), IDC_SUBTITLE), WM_CTLCOLORSTATIC, RGB(148, 163, 184), background,
         TRANSPARENT, 0},
        {ui.control(kLabPage, IDC_LAB_AGE_LABEL), WM_CTLCOLORSTATIC, kText, background, TRANSPARENT,
         0},
        {ui.control(kLabPage, IDC_LAB_RESULT), WM_CTLCOLORSTATIC, kText, background, OPAQUE,
         kWindowBackground},
        {ui.control(kChatPage, IDC_CHAT_TRANSCRIPT), WM_CTLCOLORSTATIC, kText, background, OPAQUE,
         kWindowBackground},
        {ui.control(kHistoryPage, IDC_HIST_DETAIL), WM_CTLCOLORSTATIC, kText, background, OPAQUE,
         kWindowBackground},
        {ui.control(kLabPage, IDC_LAB_TEXT), WM_CTLCOLOREDIT, kText, edit, 0, RGB(18, 32, 51)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "control " << GetDlgCtrlID(c.control));
        const int startMode = c.mode == TRANSPARENT ? OPAQUE : TRANSPARENT;
        const Colours colours = ColoursFor(ui.window(), c.message, c.control, startMode);
        EXPECT_EQ(colours.text, c.text);
        EXPECT_EQ(colours.brush, c.brush);
        if (c.mode != 0) {
            EXPECT_EQ(colours.backgroundMode, c.mode);
        }
        if (c.mode != TRANSPARENT) {
            EXPECT_EQ(colours.background, c.background);
        }
    }
    // The page windows hand the question on to the main window.
    const Colours viaPage =
        ColoursFor(ui.page(kLabPage), WM_CTLCOLOREDIT, ui.control(kLabPage, IDC_LAB_TEXT), OPAQUE);
    EXPECT_EQ(viaPage.brush, edit);
    const Colours resultViaPage = ColoursFor(ui.page(kLabPage), WM_CTLCOLORSTATIC,
                                             ui.control(kLabPage, IDC_LAB_RESULT), TRANSPARENT);
    EXPECT_EQ(resultViaPage.backgroundMode, OPAQUE);
}

void TypeRegistration(MainWindowHarness& ui, const wchar_t* email, const wchar_t* name) {
    SetWindowTextW(ui.control(kRegistrationPage, IDC_REG_EMAIL), email);
    SetWindowTextW(ui.control(kRegistrationPage, IDC_REG_NAME), name);
}

TEST(Registration, RefusedEmailsWarnAndKeepWhatWasTyped) {
    MainWindowHarness ui;
    for (const wchar_t* email :
         {L"", L"   ", L"@clinica.es", L"ana@", L"ana.clinica.es", L"ana@clinica", L"ana@clinica.",
          L"ana perez@clinica.es", L"ana,p@clinica.es", L"\"ana\"@clinica.es"}) {
        MainWindowHarness::messageBoxes().clear();
        TypeRegistration(ui, email, L"Ana");
        ui.Click(kRegistrationPage, IDC_REG_CONTINUE);
        ASSERT_EQ(MainWindowHarness::messageBoxes().size(), 1u)
            << Narrow(FromWinText(email, wcslen(email)));
        const RecordedMessageBox& box = MainWindowHarness::messageBoxes()[0];
        EXPECT_EQ(box.text, u"Ingrese un correo válido.");
        EXPECT_EQ(box.caption, u"Registro");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(WindowText(ui.control(kRegistrationPage, IDC_REG_EMAIL)),
                  FromWinText(email, wcslen(email)));
        EXPECT_EQ(WindowText(ui.control(kRegistrationPage, IDC_REG_NAME)), u"Ana");
        EXPECT_TRUE(IsShown(ui.page(kRegistrationPage)));
        EXPECT_FALSE(IsShown(ui.app().tabs));
    }
    EXPECT_EQ(ReadFileBytes(ui.dataFolder() + u"\\profile.json"), "");
}

TEST(Registration, AcceptedEmailIsStoredAndOpensTheTabs) {
    MainWindowHarness ui;
    TypeRegistration(ui, L"  Ana.Pérez@Clínica.ES ", L" Ana ");
    ui.Click(kRegistrationPage, IDC_REG_CONTINUE);

    EXPECT_TRUE(MainWindowHarness::messageBoxes().empty());
    EXPECT_EQ(ReadFileBytes(ui.dataFolder() + u"\\profile.json"),
              "{\"email\":\"ana.p\xc3\xa9rez@cl\xc3\xadnica.es\",\"name\":\"Ana\"}");
    EXPECT_EQ(WindowText(ui.app().status), u"Sesión: ana.pérez@clínica.es");
    EXPECT_TRUE(IsShown(ui.app().tabs));
    EXPECT_TRUE(IsShown(ui.page(kChatPage)));
    EXPECT_FALSE(IsShown(ui.page(kRegistrationPage)));
    EXPECT_EQ(RectInParent(ui.page(kChatPage)).top, 80);
    EXPECT_EQ(WindowText(ui.control(kChatPage, IDC_CHAT_TRANSCRIPT)), kGreetingBlock);
}

TEST(ControlText, TranscriptGrowsPastTheDefaultEditLimit) {
    MainWindowHarness ui(kRegisteredProfile);
    const std::u16string answer(5000, u'x');
    for (int i = 0; i < 10; ++i) {
        AppendTranscript(u"Alvena", answer);
    }
    AppendTranscript(u"Usted", u"última");
    const WideText text = WindowText(ui.control(kChatPage, IDC_CHAT_TRANSCRIPT));
    EXPECT_GT(text.size(), 50000u);
    EXPECT_EQ(text.substr(text.size() - 18), u"Usted:\r\núltima\r\n\r\n");
}

TEST(ControlText, LineFeedsAreShownAsSeparateLines) {
    MainWindowHarness ui(kRegisteredProfile);
    AppendTranscript(u"Alvena", u"uno\ndos\r\ntres");
    const WideText transcript = WindowText(ui.control(kChatPage, IDC_CHAT_TRANSCRIPT));
    EXPECT_EQ(transcript.substr(std::char_traits<char16_t>::length(kGreetingBlock)),
              u"Alvena:\r\nuno\r\ndos\r\ntres\r\n\r\n");

    HWND result = ui.control(kLabPage, IDC_LAB_RESULT);
    SetDisplayText(result, u"Anemia leve\n\nAcciones:\n- Ferritina");
    EXPECT_EQ(WindowText(result), u"Anemia leve\r\n\r\nAcciones:\r\n- Ferritina");
    EXPECT_EQ(SendMessageW(result, EM_GETLINECOUNT, 0, 0), 4);
}

TEST(ControlText, ReadsControlsAndComboSelections) {
    MainWindowHarness ui(kRegisteredProfile);
    EXPECT_EQ(ReadControlText(nullptr), u"");
    EXPECT_EQ(ReadControlText(ui.control(kChatPage, IDC_CHAT_INPUT)), u"");
    SetWindowTextW(ui.control(kChatPage, IDC_CHAT_INPUT), L"¿Dolor?\r\nsí");
    EXPECT_EQ(ReadControlText(ui.control(kChatPage, IDC_CHAT_INPUT)), u"¿Dolor?\r\nsí");

    HWND mode = ui.control(kChatPage, IDC_CHAT_MODE);
    EXPECT_EQ(ComboSelectionText(ui.page(kChatPage), IDC_CHAT_MODE), u"autosostenible");
    SendMessageW(mode, CB_SETCURSEL, 1, 0);
    EXPECT_EQ(ComboSelectionText(ui.page(kChatPage), IDC_CHAT_MODE), u"api");
    SendMessageW(mode, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ(ComboSelectionText(ui.page(kChatPage), IDC_CHAT_MODE), u"autosostenible");
    SendMessageW(ui.control(kLabPage, IDC_LAB_SEX), CB_SETCURSEL, 2, 0);
    EXPECT_EQ(ComboSelectionText(ui.page(kLabPage), IDC_LAB_SEX), u"Otro");

    // An item longer than any the program adds is read whole, never past its buffer.
    const std::wstring longItem(300, L'z');
    SendMessageW(mode, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(longItem.c_str()));
    SendMessageW(mode, CB_SETCURSEL, 2, 0);
    EXPECT_EQ(ComboSelectionText(ui.page(kChatPage), IDC_CHAT_MODE), std::u16string(300, u'z'));
}

TEST(MainWindow, FooterLinksOpenTheMakersPages) {
    MainWindowHarness ui(kRegisteredProfile);
    for (int id : {IDC_FOOTER_NOTE, IDC_FOOTER_SITE, IDC_FOOTER_PRODUCT}) {
        SendMessageW(ui.window(), WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(ui.window(), id)));
    }
    const std::vector<WideText> expected = {kHomePageUrl, kHomePageUrl, kProductPageUrl};
    EXPECT_EQ(MainWindowHarness::openedUrls(), expected);
    EXPECT_EQ(WindowText(GetDlgItem(ui.window(), IDC_FOOTER_SITE)), u"veltrano.systems");
}

TEST(MainWindow, MinimisingAndRestoringLaysOutAgain) {
    MainWindowHarness ui(kRegisteredProfile);
    ui.SetClientSize(900, 600);
    const RECT before = RectInParent(ui.control(kChatPage, IDC_CHAT_SEND));
    ShowWindow(ui.window(), SW_MINIMIZE);
    PumpMessages();
    ShowWindow(ui.window(), SW_RESTORE);
    ASSERT_TRUE(PumpUntil([&] { return ClientRectOf(ui.window()).right == 900; }));
    const RECT after = RectInParent(ui.control(kChatPage, IDC_CHAT_SEND));
    EXPECT_EQ(AsLayoutRect(after), AsLayoutRect(before));
}

// Windows applies the launcher's show command inside the window's creation (Wine later): the
// window is fitted as it then stands, keeps being maximized or minimized, and restores to the
// fitted size.
TEST(MainWindow, AMaximizedOrMinimizedWindowIsFittedWhereItRestoresTo) {
    MainWindowHarness ui(kRegisteredProfile);
    const int dpi = ui.app().dpi;
    const LayoutRect workspace = WorkspaceAreaOf(ui.window());
    const int width = std::min(ScaleToDpi(980, dpi), workspace.width);
    const int height = std::min(ScaleToDpi(720, dpi), workspace.height);
    const struct {
        UINT showCommand;
        BOOL (*inState)(HWND);
    } states[] = {{SW_SHOWMAXIMIZED, IsZoomed}, {SW_SHOWMINNOACTIVE, IsIconic}};
    for (const auto& state : states) {
        SCOPED_TRACE(testing::Message() << "show command " << state.showCommand);
        // Restoring to a rectangle too large and partly off the work area.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        ASSERT_TRUE(GetWindowPlacement(ui.window(), &placement));
        const int right = workspace.x + workspace.width;
        placement.rcNormalPosition = {right - 100, workspace.y - 50, right - 100 + width + 300,
                                      workspace.y - 50 + height + 200};
        placement.showCmd = state.showCommand;
        ASSERT_TRUE(SetWindowPlacement(ui.window(), &placement));
        ASSERT_TRUE(PumpUntil([&] { return state.inState(ui.window()) != FALSE; }));

        FitMainWindowToWorkArea(ui.window());
        PumpMessages();
        EXPECT_TRUE(state.inState(ui.window()));
        ASSERT_TRUE(GetWindowPlacement(ui.window(), &placement));
        const RECT& normal = placement.rcNormalPosition;
        EXPECT_EQ(normal.right - normal.left, width);
        EXPECT_EQ(normal.bottom - normal.top, height);
        EXPECT_EQ(normal.right, right);
        EXPECT_EQ(normal.top, workspace.y);

        ShowWindow(ui.window(), SW_RESTORE);
        RECT outer{};
        EXPECT_TRUE(PumpUntil([&] {
            GetWindowRect(ui.window(), &outer);
            return !IsIconic(ui.window()) && !IsZoomed(ui.window()) &&
                   outer.right - outer.left == width && outer.bottom - outer.top == height;
        })) << "restored to "
            << outer.right - outer.left << " x " << outer.bottom - outer.top;
    }
}

// dwmapi.dll is found by its path in the system folder and takes the request for a dark caption
// (Wine's as well). Windows 10 before 2004 refuses the attribute's number and takes the older
// one; a Windows that takes neither leaves the window as it is.
TEST(MainWindow, TheCaptionIsAskedToMatchTheDarkScheme) {
    MainWindowHarness ui(kRegisteredProfile);
    EXPECT_TRUE(UseDarkTitleBar(ui.window()));

    const struct {
        const char* windows;
        std::vector<DWORD> taken;
        std::vector<DWORD> asked;
        bool dark;
    } cases[] = {
        {"2004 and later", {20}, {20}, true},
        {"1809 to 1909", {19}, {20, 19}, true},
        {"older", {}, {20, 19}, false},
    };
    for (const auto& c : cases) {
        std::vector<DWORD> asked;
        const auto windowManager = [&](HWND window, DWORD attribute, LPCVOID value, DWORD size) {
            EXPECT_EQ(window, ui.window());
            EXPECT_EQ(size, sizeof(BOOL));
            EXPECT_EQ(*static_cast<const BOOL*>(value), TRUE);
            asked.push_back(attribute);
            return std::count(c.taken.begin(), c.taken.end(), attribute) != 0 ? S_OK : E_INVALIDARG;
        };
        EXPECT_EQ(UseDarkTitleBar(ui.window(), windowManager), c.dark) << c.windows;
        EXPECT_EQ(asked, c.asked) << c.windows;
    }
}

TEST(Focus, TheCaretStandsWhereTheUserTypes) {
    MainWindowHarness ui;
    EXPECT_EQ(GetFocus(), ui.control(kRegistrationPage, IDC_REG_EMAIL));
    TypeRegistration(ui, L"ana@", L"");
    ui.Click(kRegistrationPage, IDC_REG_CONTINUE);
    EXPECT_EQ(GetFocus(), ui.control(kRegistrationPage, IDC_REG_EMAIL)) << "after a refusal";
    TypeRegistration(ui, L"ana@clinica.es", L"");
    ui.Click(kRegistrationPage, IDC_REG_CONTINUE);
    EXPECT_EQ(GetFocus(), ui.control(kChatPage, IDC_CHAT_INPUT)) << "after registering";

    const struct {
        int tab;
        PageIndex page;
        int box;
    } tabs[] = {{1, kLabPage, IDC_LAB_TEXT},
                {2, kRecordPage, IDC_REC_AGE},
                {0, kChatPage, IDC_CHAT_INPUT},
                {1, kLabPage, IDC_LAB_TEXT}};
    for (const auto& t : tabs) {
        ui.SelectTab(t.tab);
        EXPECT_EQ(GetFocus(), ui.control(t.page, t.box)) << "tab " << t.tab;
    }

    // Leaving the window and coming back finds the caret where the user left it.
    SetFocus(ui.control(kLabPage, IDC_LAB_SYMPTOMS));
    HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    SetActiveWindow(other);
    PumpMessages();
    EXPECT_NE(GetFocus(), ui.control(kLabPage, IDC_LAB_SYMPTOMS));
    SetActiveWindow(ui.window());
    PumpMessages();
    EXPECT_EQ(GetFocus(), ui.control(kLabPage, IDC_LAB_SYMPTOMS));
    DestroyWindow(other);
}

int FontPixelHeight(HWND control) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return metrics.tmHeight;
}

void ExpectWithinAPixel(const LayoutRect& actual, const LayoutRect& expected, bool checkHeight) {
    EXPECT_NEAR(actual.x, expected.x, 1);
    EXPECT_NEAR(actual.y, expected.y, 1);
    EXPECT_NEAR(actual.width, expected.width, 1);
    if (checkHeight) {
        EXPECT_NEAR(actual.height, expected.height, 1);
    }
}

// Fonts, list columns and every child window at the window's DPI: each child stands where the
// 96-DPI layout puts it for a client area dpi / 96 times smaller, times dpi / 96.
void ExpectEverySizeScaledTo(MainWindowHarness& ui, int dpi) {
    EXPECT_EQ(FontPixelHeight(ui.app().status), ScaleToDpi(16, dpi));
    EXPECT_EQ(FontPixelHeight(ui.control(kChatPage, IDC_CHAT_SEND)), ScaleToDpi(16, dpi));
    EXPECT_EQ(FontPixelHeight(GetDlgItem(ui.window(), IDC_TITLE)), ScaleToDpi(24, dpi));
    HWND list = ui.control(kHistoryPage, IDC_HIST_LIST);
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), ScaleToDpi(220, dpi));
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), ScaleToDpi(280, dpi));

    // 800 by 600 at 96 DPI: its page area, 784 by 436, scales to whole pixels at 120 to 240.
    constexpr int kWidth96 = 800;
    constexpr int kHeight96 = 600;
    ui.SetClientSize(ScaleToDpi(kWidth96, dpi), ScaleToDpi(kHeight96, dpi));
    for (const ControlPlacement& placement : LayoutMainControls(kWidth96, kHeight96, kBaseDpi)) {
        SCOPED_TRACE(testing::Message() << "main control " << placement.id);
        ExpectWithinAPixel(AsLayoutRect(RectInParent(GetDlgItem(ui.window(), placement.id))),
                           ScaleToDpi(placement.rect, dpi), true);
    }
    const LayoutRect area96 = LayoutPageArea(kWidth96, kHeight96, true, kBaseDpi);
    for (const PageIndex page :
         {kRegistrationPage, kChatPage, kLabPage, kRecordPage, kHistoryPage}) {
        SCOPED_TRACE(testing::Message() << "page " << page);
        ExpectWithinAPixel(AsLayoutRect(RectInParent(ui.page(page))), ScaleToDpi(area96, dpi),
                           true);
        for (const ControlPlacement& placement :
             PageLayout(page, area96.width, area96.height, kBaseDpi)) {
            SCOPED_TRACE(testing::Message() << "control " << placement.id);
            HWND control = ui.control(page, placement.id);
            ExpectWithinAPixel(AsLayoutRect(RectInParent(control)), ScaleToDpi(placement.rect, dpi),
                               Narrow(WindowClass(control)) != "ComboBox");
        }
    }
}

// CTest runs this in the shared prefix at 96 DPI and again in one whose screen reports 144
// (ALVENA_TEST_DPI), large enough for the scaled window.
TEST(DisplayScale, EverySizeFollowsTheWindowDpi) {
    MainWindowHarness ui(kRegisteredProfile);
    const char* expectedDpi = std::getenv("ALVENA_TEST_DPI");
    const int dpi = ui.app().dpi;
    ASSERT_EQ(dpi, expectedDpi != nullptr ? std::atoi(expectedDpi) : WindowDpi(ui.window()));
    const LayoutRect work = WorkAreaOf(ui.window());
    const LayoutRect outer = AsLayoutRect(RectInParent(ui.window()));
    EXPECT_EQ(outer.width, std::min(ScaleToDpi(980, dpi), work.width));
    EXPECT_EQ(outer.height, std::min(ScaleToDpi(720, dpi), work.height));
    ExpectEverySizeScaledTo(ui, dpi);
}

TEST(DisplayScale, MovingToAMonitorOfAnotherScaleRemakesFontsAndLayout) {
    MainWindowHarness ui(kRegisteredProfile);
    const int dpi = ui.app().dpi * 3 / 2;
    const HGDIOBJ oldFonts[] = {ui.app().bodyFont.get(), ui.app().boldFont.get(),
                                ui.app().titleFont.get()};
    RECT suggested = {10, 20, 10 + ScaleToDpi(800, dpi, ui.app().dpi),
                      20 + ScaleToDpi(600, dpi, ui.app().dpi)};
    SendMessageW(ui.window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(AsLayoutRect(RectInParent(ui.window())),
              (LayoutRect{10, 20, suggested.right - 10, suggested.bottom - 20}));
    for (HGDIOBJ font : oldFonts) {
        EXPECT_EQ(GetObjectType(font), 0u) << "an old font is still alive";
    }
    ExpectEverySizeScaledTo(ui, dpi);
}

}  // namespace
}  // namespace alvena
