#include "app/layout.h"

#include <cstdlib>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/control_ids.h"

namespace alvena {

// Failure messages name the control and its rectangle instead of raw bytes.
void PrintTo(const ControlPlacement& placement, std::ostream* out) {
    *out << placement.id << " (" << placement.rect.x << ", " << placement.rect.y << ", "
         << placement.rect.width << ", " << placement.rect.height << ")";
}

void PrintTo(const LayoutRect& rect, std::ostream* out) {
    *out << "(" << rect.x << ", " << rect.y << ", " << rect.width << ", " << rect.height << ")";
}

namespace {

using Placements = std::vector<ControlPlacement>;
using PageLayout = Placements (*)(int, int, int);

struct PageCase {
    const char* name;
    PageLayout layout;
    int width;
    int height;
    Placements expected;
};

// 948 by 517 is the page area of a 964 by 681 client with the tab strip shown.
const PageCase kPageCases[] = {
    {"main 964x681",
     LayoutMainControls,
     964,
     681,
     {{IDC_TITLE, {12, 8, 220, 28}},
      {IDC_SUBTITLE, {240, 12, 704, 22}},
      {IDC_TABS, {8, 44, 948, 30}},
      {IDC_STATUS, {12, 603, 940, 22}},
      {IDC_FOOTER_NOTE, {12, 627, 940, 16}},
      {IDC_FOOTER_SITE, {12, 647, 200, 18}},
      {IDC_FOOTER_PRODUCT, {220, 647, 180, 18}}}},
    {"main 50x30",
     LayoutMainControls,
     50,
     30,
     {{IDC_TITLE, {12, 8, 220, 28}},
      {IDC_SUBTITLE, {240, 12, -210, 22}},
      {IDC_TABS, {8, 44, 34, 30}},
      {IDC_STATUS, {12, -48, 26, 22}},
      {IDC_FOOTER_NOTE, {12, -24, 26, 16}},
      {IDC_FOOTER_SITE, {12, -4, 200, 18}},
      {IDC_FOOTER_PRODUCT, {220, -4, 180, 18}}}},

    {"chat 948x517",
     LayoutChatPage,
     948,
     517,
     {{IDC_CHAT_MODE, {0, 0, 180, 26}},
      {IDC_CHAT_TRANSCRIPT, {0, 30, 948, 413}},
      {IDC_CHAT_INPUT, {0, 447, 738, 66}},
      {IDC_CHAT_SEND, {748, 447, 95, 30}},
      {IDC_CHAT_READ, {853, 447, 95, 30}}}},
    {"chat 50x30",
     LayoutChatPage,
     50,
     30,
     {{IDC_CHAT_MODE, {0, 0, 180, 26}},
      {IDC_CHAT_TRANSCRIPT, {0, 30, 50, -74}},
      {IDC_CHAT_INPUT, {0, -40, -160, 66}},
      {IDC_CHAT_SEND, {-150, -40, 95, 30}},
      {IDC_CHAT_READ, {-45, -40, 95, 30}}}},
    {"chat 3000x517",
     LayoutChatPage,
     3000,
     517,
     {{IDC_CHAT_MODE, {0, 0, 180, 26}},
      {IDC_CHAT_TRANSCRIPT, {0, 30, 3000, 413}},
      {IDC_CHAT_INPUT, {0, 447, 2790, 66}},
      {IDC_CHAT_SEND, {2800, 447, 95, 30}},
      {IDC_CHAT_READ, {2905, 447, 95, 30}}}},

    {"lab 948x517",
     LayoutLabPage,
     948,
     517,
     {{IDC_LAB_TEXT_LABEL, {0, 0, 948, 18}},
      {IDC_LAB_TEXT, {0, 20, 948, 208}},
      {IDC_LAB_AGE_LABEL, {0, 236, 40, 18}},
      {IDC_LAB_AGE, {44, 234, 70, 24}},
      {IDC_LAB_SEX_LABEL, {130, 236, 40, 18}},
      {IDC_LAB_SEX, {170, 234, 90, 120}},
      {IDC_LAB_SYMPTOMS_LABEL, {0, 266, 80, 18}},
      {IDC_LAB_SYMPTOMS, {0, 286, 948, 44}},
      {IDC_LAB_ANALYZE, {0, 336, 140, 28}},
      {IDC_LAB_RESULT, {0, 370, 948, 147}}}},
    {"lab 50x30",
     LayoutLabPage,
     50,
     30,
     {{IDC_LAB_TEXT_LABEL, {0, 0, 50, 18}},
      {IDC_LAB_TEXT, {0, 20, 50, -35}},
      {IDC_LAB_AGE_LABEL, {0, -7, 40, 18}},
      {IDC_LAB_AGE, {44, -9, 70, 24}},
      {IDC_LAB_SEX_LABEL, {130, -7, 40, 18}},
      {IDC_LAB_SEX, {170, -9, 90, 120}},
      {IDC_LAB_SYMPTOMS_LABEL, {0, 23, 80, 18}},
      {IDC_LAB_SYMPTOMS, {0, 43, 50, 44}},
      {IDC_LAB_ANALYZE, {0, 93, 140, 28}},
      {IDC_LAB_RESULT, {0, 127, 50, -97}}}},
    // An odd height: the half is rounded down and the result takes the extra pixel.
    {"lab 3000x81",
     LayoutLabPage,
     3000,
     81,
     {{IDC_LAB_TEXT_LABEL, {0, 0, 3000, 18}},
      {IDC_LAB_TEXT, {0, 20, 3000, -10}},
      {IDC_LAB_AGE_LABEL, {0, 18, 40, 18}},
      {IDC_LAB_AGE, {44, 16, 70, 24}},
      {IDC_LAB_SEX_LABEL, {130, 18, 40, 18}},
      {IDC_LAB_SEX, {170, 16, 90, 120}},
      {IDC_LAB_SYMPTOMS_LABEL, {0, 48, 80, 18}},
      {IDC_LAB_SYMPTOMS, {0, 68, 3000, 44}},
      {IDC_LAB_ANALYZE, {0, 118, 140, 28}},
      {IDC_LAB_RESULT, {0, 152, 3000, -71}}}},
    // A negative odd height halves toward zero (-7 / 2 is -3, not -4).
    {"lab 10x-7",
     LayoutLabPage,
     10,
     -7,
     {{IDC_LAB_TEXT_LABEL, {0, 0, 10, 18}},
      {IDC_LAB_TEXT, {0, 20, 10, -53}},
      {IDC_LAB_AGE_LABEL, {0, -25, 40, 18}},
      {IDC_LAB_AGE, {44, -27, 70, 24}},
      {IDC_LAB_SEX_LABEL, {130, -25, 40, 18}},
      {IDC_LAB_SEX, {170, -27, 90, 120}},
      {IDC_LAB_SYMPTOMS_LABEL, {0, 5, 80, 18}},
      {IDC_LAB_SYMPTOMS, {0, 25, 10, 44}},
      {IDC_LAB_ANALYZE, {0, 75, 140, 28}},
      {IDC_LAB_RESULT, {0, 109, 10, -116}}}},

    {"record 948x517",
     LayoutRecordPage,
     948,
     517,
     {{IDC_REC_ROLE_LABEL, {0, 2, 105, 18}},        {IDC_REC_ROLE, {110, 0, 838, 24}},
      {IDC_REC_AGE_LABEL, {0, 30, 105, 18}},        {IDC_REC_AGE, {110, 28, 838, 22}},
      {IDC_REC_SEX_LABEL, {0, 56, 105, 18}},        {IDC_REC_SEX, {110, 54, 838, 22}},
      {IDC_REC_ALLERGIES_LABEL, {0, 82, 105, 18}},  {IDC_REC_ALLERGIES, {110, 80, 838, 22}},
      {IDC_REC_CHRONIC_LABEL, {0, 108, 105, 18}},   {IDC_REC_CHRONIC, {110, 106, 838, 22}},
      {IDC_REC_REASON_LABEL, {0, 134, 105, 18}},    {IDC_REC_REASON, {110, 132, 838, 40}},
      {IDC_REC_VITALS_LABEL, {0, 178, 105, 18}},    {IDC_REC_VITALS, {110, 176, 838, 22}},
      {IDC_REC_EXAM_LABEL, {0, 204, 105, 18}},      {IDC_REC_EXAM, {110, 202, 838, 40}},
      {IDC_REC_MEDS_LABEL, {0, 248, 105, 18}},      {IDC_REC_MEDS, {110, 246, 838, 22}},
      {IDC_REC_FREE_TEXT_LABEL, {0, 274, 105, 18}}, {IDC_REC_FREE_TEXT, {110, 272, 838, 40}},
      {IDC_REC_ANALYZE, {0, 316, 160, 28}},         {IDC_REC_RESULT, {0, 350, 948, 167}}}},
    // The form does not shrink: only the box widths follow the page, and the result keeps 60.
    {"record 50x30",
     LayoutRecordPage,
     50,
     30,
     {{IDC_REC_ROLE_LABEL, {0, 2, 105, 18}},        {IDC_REC_ROLE, {110, 0, -60, 24}},
      {IDC_REC_AGE_LABEL, {0, 30, 105, 18}},        {IDC_REC_AGE, {110, 28, -60, 22}},
      {IDC_REC_SEX_LABEL, {0, 56, 105, 18}},        {IDC_REC_SEX, {110, 54, -60, 22}},
      {IDC_REC_ALLERGIES_LABEL, {0, 82, 105, 18}},  {IDC_REC_ALLERGIES, {110, 80, -60, 22}},
      {IDC_REC_CHRONIC_LABEL, {0, 108, 105, 18}},   {IDC_REC_CHRONIC, {110, 106, -60, 22}},
      {IDC_REC_REASON_LABEL, {0, 134, 105, 18}},    {IDC_REC_REASON, {110, 132, -60, 40}},
      {IDC_REC_VITALS_LABEL, {0, 178, 105, 18}},    {IDC_REC_VITALS, {110, 176, -60, 22}},
      {IDC_REC_EXAM_LABEL, {0, 204, 105, 18}},      {IDC_REC_EXAM, {110, 202, -60, 40}},
      {IDC_REC_MEDS_LABEL, {0, 248, 105, 18}},      {IDC_REC_MEDS, {110, 246, -60, 22}},
      {IDC_REC_FREE_TEXT_LABEL, {0, 274, 105, 18}}, {IDC_REC_FREE_TEXT, {110, 272, -60, 40}},
      {IDC_REC_ANALYZE, {0, 316, 160, 28}},         {IDC_REC_RESULT, {0, 350, 50, 60}}}},

    {"history 948x517",
     LayoutHistoryPage,
     948,
     517,
     {{IDC_HIST_REFRESH, {0, 0, 130, 26}},
      {IDC_HIST_CAPTION, {140, 4, 808, 18}},
      {IDC_HIST_LIST, {0, 32, 470, 485}},
      {IDC_HIST_DETAIL, {478, 32, 470, 485}}}},
    // An odd width keeps the 8-pixel gap; the last pixel column stays empty.
    {"history 949x517",
     LayoutHistoryPage,
     949,
     517,
     {{IDC_HIST_REFRESH, {0, 0, 130, 26}},
      {IDC_HIST_CAPTION, {140, 4, 809, 18}},
      {IDC_HIST_LIST, {0, 32, 470, 485}},
      {IDC_HIST_DETAIL, {478, 32, 470, 485}}}},
    {"history 50x30",
     LayoutHistoryPage,
     50,
     30,
     {{IDC_HIST_REFRESH, {0, 0, 130, 26}},
      {IDC_HIST_CAPTION, {140, 4, -90, 18}},
      {IDC_HIST_LIST, {0, 32, 21, -2}},
      {IDC_HIST_DETAIL, {29, 32, 21, -2}}}},
    // The page area of a 9-pixel-wide client: -7 / 2 is -3, toward zero.
    {"history -7x80",
     LayoutHistoryPage,
     -7,
     80,
     {{IDC_HIST_REFRESH, {0, 0, 130, 26}},
      {IDC_HIST_CAPTION, {140, 4, -147, 18}},
      {IDC_HIST_LIST, {0, 32, -7, 48}},
      {IDC_HIST_DETAIL, {1, 32, -7, 48}}}},
    {"history 3001x80",
     LayoutHistoryPage,
     3001,
     80,
     {{IDC_HIST_REFRESH, {0, 0, 130, 26}},
      {IDC_HIST_CAPTION, {140, 4, 2861, 18}},
      {IDC_HIST_LIST, {0, 32, 1496, 48}},
      {IDC_HIST_DETAIL, {1504, 32, 1496, 48}}}},

    {"registration 948x547",
     LayoutRegistrationPage,
     948,
     547,
     {{IDC_REG_WELCOME, {40, 16, 868, 32}},
      {IDC_REG_TAGLINE, {40, 52, 868, 20}},
      {IDC_REG_HINT, {40, 80, 868, 20}},
      {IDC_REG_EMAIL_LABEL, {40, 108, 300, 18}},
      {IDC_REG_EMAIL, {40, 128, 480, 28}},
      {IDC_REG_NAME_LABEL, {40, 168, 300, 18}},
      {IDC_REG_NAME, {40, 188, 480, 28}},
      {IDC_REG_CONTINUE, {40, 236, 160, 32}},
      {IDC_REG_NOTE, {40, 286, 868, 60}}}},
    {"registration 50x30",
     LayoutRegistrationPage,
     50,
     30,
     {{IDC_REG_WELCOME, {40, 16, -30, 32}},
      {IDC_REG_TAGLINE, {40, 52, -30, 20}},
      {IDC_REG_HINT, {40, 80, -30, 20}},
      {IDC_REG_EMAIL_LABEL, {40, 108, 300, 18}},
      {IDC_REG_EMAIL, {40, 128, -30, 28}},
      {IDC_REG_NAME_LABEL, {40, 168, 300, 18}},
      {IDC_REG_NAME, {40, 188, -30, 28}},
      {IDC_REG_CONTINUE, {40, 236, 160, 32}},
      {IDC_REG_NOTE, {40, 286, -30, 60}}}},
    {"registration 3000x80",
     LayoutRegistrationPage,
     3000,
     80,
     {{IDC_REG_WELCOME, {40, 16, 2920, 32}},
      {IDC_REG_TAGLINE, {40, 52, 2920, 20}},
      {IDC_REG_HINT, {40, 80, 2920, 20}},
      {IDC_REG_EMAIL_LABEL, {40, 108, 300, 18}},
      {IDC_REG_EMAIL, {40, 128, 480, 28}},
      {IDC_REG_NAME_LABEL, {40, 168, 300, 18}},
      {IDC_REG_NAME, {40, 188, 480, 28}},
      {IDC_REG_CONTINUE, {40, 236, 160, 32}},
      {IDC_REG_NOTE, {40, 286, 2920, 60}}}},
};

TEST(LayoutTest, EveryControlInTableOrder) {
    for (const auto& c : kPageCases) {
        EXPECT_EQ(c.layout(c.width, c.height, kBaseDpi), c.expected) << c.name;
    }
}

[[nodiscard]] LayoutRect RectOf(const Placements& placements, int id) {
    for (const auto& placement : placements) {
        if (placement.id == id) {
            return placement.rect;
        }
    }
    ADD_FAILURE() << "no control " << id;
    return {};
}

struct PageAreaCase {
    int clientWidth;
    int clientHeight;
    bool registered;
    LayoutRect expected;
};

TEST(LayoutTest, PageAreaUnderTabsOrHeaderNeverBelow80) {
    const PageAreaCase cases[] = {
        {964, 681, true, {8, 80, 948, 517}},
        {964, 681, false, {8, 50, 948, 547}},
        {50, 30, true, {8, 80, 34, 80}},
        {50, 30, false, {8, 50, 34, 80}},
        {9, 0, true, {8, 80, -7, 80}},
        // Around the 80 floor: H - T - 84 is 79, 80 and 81.
        {964, 243, true, {8, 80, 948, 80}},
        {964, 244, true, {8, 80, 948, 80}},
        {964, 245, true, {8, 80, 948, 81}},
        {964, 213, false, {8, 50, 948, 80}},
        {964, 214, false, {8, 50, 948, 80}},
        {964, 215, false, {8, 50, 948, 81}},
        {3000, 2000, true, {8, 80, 2984, 1836}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LayoutPageArea(c.clientWidth, c.clientHeight, c.registered, kBaseDpi), c.expected)
            << c.clientWidth << "x" << c.clientHeight << (c.registered ? " registered" : "");
    }
}

struct HeightCase {
    int pageHeight;
    LayoutRect expected;
};

TEST(LayoutTest, RecordResultKeepsAtLeast60) {
    const HeightCase cases[] = {
        {80, {0, 350, 600, 60}},  {409, {0, 350, 600, 60}},  {410, {0, 350, 600, 60}},
        {411, {0, 350, 600, 61}}, {517, {0, 350, 600, 167}}, {-5, {0, 350, 600, 60}},
    };
    for (const auto& c : cases) {
        const LayoutRect result =
            RectOf(LayoutRecordPage(600, c.pageHeight, kBaseDpi), IDC_REC_RESULT);
        EXPECT_EQ(result, c.expected) << c.pageHeight;
        if (c.pageHeight < 410) {
            EXPECT_GT(result.y + result.height, c.pageHeight) << "runs past the page bottom";
        }
    }
}

struct WidthCase {
    int pageWidth;
    int textWidth;
    int boxWidth;
};

TEST(LayoutTest, RegistrationBoxesStopAt480WhileTextsKeepFullWidth) {
    const WidthCase cases[] = {
        {500, 420, 420}, {559, 479, 479}, {560, 480, 480}, {561, 481, 480}, {1200, 1120, 480},
    };
    for (const auto& c : cases) {
        const Placements page = LayoutRegistrationPage(c.pageWidth, 400, kBaseDpi);
        for (const int id : {IDC_REG_WELCOME, IDC_REG_TAGLINE, IDC_REG_HINT, IDC_REG_NOTE}) {
            EXPECT_EQ(RectOf(page, id).width, c.textWidth) << c.pageWidth << " id " << id;
        }
        for (const int id : {IDC_REG_EMAIL, IDC_REG_NAME}) {
            EXPECT_EQ(RectOf(page, id).width, c.boxWidth) << c.pageWidth << " id " << id;
        }
    }
}

TEST(LayoutTest, HistoryHalvesLeaveAnEightPixelGap) {
    for (const int width : {100, 101, 948, 949, 1001}) {
        const Placements page = LayoutHistoryPage(width, 300, kBaseDpi);
        const LayoutRect list = RectOf(page, IDC_HIST_LIST);
        const LayoutRect detail = RectOf(page, IDC_HIST_DETAIL);
        EXPECT_EQ(detail.x - (list.x + list.width), 8) << width;
        EXPECT_EQ(list.width, detail.width) << width;
        EXPECT_LE(detail.x + detail.width, width) << width;
        EXPECT_GE(detail.x + detail.width, width - 1) << width;
    }
}

TEST(LayoutTest, ScaleToDpiRoundsAsMulDiv) {
    const struct {
        int value;
        int toDpi;
        int fromDpi;
        int expected;
    } cases[] = {
        {16, 96, 96, 16},    {16, 144, 96, 24},    {24, 144, 96, 36},     {980, 144, 96, 1470},
        {0, 192, 96, 0},     {1, 144, 96, 2},      {-1, 144, 96, -2},     {2, 120, 96, 3},
        {3, 120, 96, 4},     {5, 120, 96, 6},      {-7, 120, 96, -9},     {105, 168, 96, 184},
        {330, 96, 144, 220}, {220, 120, 144, 183}, {-330, 96, 144, -220},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScaleToDpi(c.value, c.toDpi, c.fromDpi), c.expected)
            << c.value << " from " << c.fromDpi << " to " << c.toDpi;
    }
}

[[nodiscard]] bool WithinAPixel(const LayoutRect& a, const LayoutRect& b) {
    return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1 &&
           std::abs(a.width - b.width) <= 1 && std::abs(a.height - b.height) <= 1;
}

// No constant is left unscaled: at DPI d each control stands where the 96-DPI layout puts it for
// a client area d / 96 times smaller, times d / 96.
TEST(LayoutTest, AtAnyDpiEveryControlStandsWhereThe96DpiLayoutPutsItScaled) {
    const PageLayout layouts[] = {LayoutMainControls, LayoutChatPage,    LayoutLabPage,
                                  LayoutRecordPage,   LayoutHistoryPage, LayoutRegistrationPage};
    // Client sizes at 96 DPI; multiples of 4, so that they scale to whole pixels.
    const std::pair<int, int> sizesAt96[] = {{964, 680}, {948, 516}, {52, 28}, {3000, 80}};
    for (const int dpi : {120, 144, 168, 192, 240}) {
        for (const auto& [width96, height96] : sizesAt96) {
            const int width = width96 * dpi / kBaseDpi;
            const int height = height96 * dpi / kBaseDpi;
            SCOPED_TRACE(testing::Message() << dpi << " DPI, " << width << "x" << height);
            for (const PageLayout layout : layouts) {
                const Placements scaled = layout(width, height, dpi);
                const Placements base = layout(width96, height96, kBaseDpi);
                ASSERT_EQ(scaled.size(), base.size());
                for (std::size_t i = 0; i < scaled.size(); ++i) {
                    EXPECT_EQ(scaled[i].id, base[i].id);
                    EXPECT_PRED2(WithinAPixel, scaled[i].rect, ScaleToDpi(base[i].rect, dpi))
                        << "control " << scaled[i].id;
                }
            }
            for (const bool registered : {true, false}) {
                EXPECT_PRED2(
                    WithinAPixel, LayoutPageArea(width, height, registered, dpi),
                    ScaleToDpi(LayoutPageArea(width96, height96, registered, kBaseDpi), dpi));
            }
        }
    }
}

struct WindowCase {
    int x;
    int y;
    int dpi;
    LayoutRect workArea;
    LayoutRect expected;
};

TEST(LayoutTest, MainWindowScalesButStaysInsideTheWorkArea) {
    const WindowCase cases[] = {
        {0, 0, 96, {0, 0, 1280, 1024}, {0, 0, 980, 720}},
        {26, 26, 96, {0, 0, 1920, 1040}, {26, 26, 980, 720}},
        {0, 0, 144, {0, 0, 1600, 1200}, {0, 0, 1470, 1080}},
        // Larger than the work area: as large as the area, at its corner.
        {0, 0, 144, {0, 0, 1280, 1024}, {0, 0, 1280, 1024}},
        {26, 26, 120, {0, 0, 1366, 728}, {26, 0, 1225, 728}},
        // Moved back inside, as little as needed.
        {500, 400, 96, {0, 0, 1280, 1024}, {300, 304, 980, 720}},
        {0, 0, 96, {60, 0, 1220, 1024}, {60, 0, 980, 720}},
        // A monitor left of the primary one.
        {-1900, 10, 96, {-1920, 0, 1920, 1040}, {-1900, 10, 980, 720}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitMainWindow(c.x, c.y, c.dpi, c.workArea), c.expected)
            << c.x << ", " << c.y << " at " << c.dpi;
    }
}

// A launch maximized or minimized fits the placement the window restores to, in workspace
// coordinates, and leaves the window as it stands; a plain launch fits the window itself.
TEST(LayoutTest, CreatedMainWindowFitsWhereItWillRestoreTo) {
    using enum ShowState;
    const LayoutRect screenArea{0, 40, 1920, 1000};  // task bar along the top
    const LayoutRect workspaceArea{0, 0, 1920, 1000};
    const LayoutRect maximized{-8, 32, 1936, 1016};
    const struct {
        ShowState state;
        LayoutRect window;
        LayoutRect restored;
        int dpi;
        std::optional<MainWindowFit> expected;
    } cases[] = {
        // Plain launches: the window itself, moved inside the screen's work area.
        {kNormal, {26, 66, 980, 720}, {26, 26, 980, 720}, 96, std::nullopt},
        {kNormal,
         {26, 10, 980, 720},
         {26, -30, 980, 720},
         96,
         MainWindowFit{FitTarget::kWindow, {26, 40, 980, 720}}},
        {kNormal,
         {26, 66, 980, 720},
         {26, 26, 980, 720},
         144,
         MainWindowFit{FitTarget::kWindow, {26, 40, 1470, 1000}}},
        // Maximized: the window keeps the whole work area, its restored size is fitted.
        {kMaximized, maximized, {26, 26, 980, 720}, 96, std::nullopt},
        {kMaximized,
         maximized,
         {26, 26, 980, 720},
         120,
         MainWindowFit{FitTarget::kRestoredPlacement, {26, 26, 1225, 900}}},
        {kMaximized,
         maximized,
         {1500, 600, 980, 720},
         96,
         MainWindowFit{FitTarget::kRestoredPlacement, {940, 280, 980, 720}}},
        // Minimized: off the desktop, and left there; only where it restores to is fitted.
        {kMinimized, {-32000, -32000, 160, 28}, {26, 26, 980, 720}, 96, std::nullopt},
        {kMinimized,
         {-32000, -32000, 160, 28},
         {26, 26, 980, 720},
         144,
         MainWindowFit{FitTarget::kRestoredPlacement, {26, 0, 1470, 1000}}},
    };
    for (const auto& c : cases) {
        const std::optional<MainWindowFit> fit =
            FitCreatedMainWindow({c.state, c.window, c.restored}, c.dpi, screenArea, workspaceArea);
        SCOPED_TRACE(testing::Message() << "state " << static_cast<int>(c.state) << " at " << c.dpi
                                        << " from " << testing::PrintToString(c.restored));
        ASSERT_EQ(fit.has_value(), c.expected.has_value());
        if (fit) {
            EXPECT_EQ(fit->target, c.expected->target);
            EXPECT_EQ(fit->rect, c.expected->rect);
        }
    }
}

}  // namespace
}  // namespace alvena
