#include "app/layout.h"

#include <algorithm>
#include <array>

#include "app/control_ids.h"

namespace alvena {
namespace {

// The tab strip occupies y 44 to 74; without it the page moves up under the header.
constexpr int kPageTopWithTabs = 80;
constexpr int kPageTopWithoutTabs = 50;
// Room left under the page for the status line and the footer.
constexpr int kPageBottomReserve = 84;
constexpr int kMinPageHeight = 80;

[[nodiscard]] ControlPlacement Place(int id, int x, int y, int width, int height) {
    return ControlPlacement{id, LayoutRect{x, y, width, height}};
}

struct RecordRow {
    int labelId;
    int boxId;
    int boxY;
    int boxHeight;
};

// Each label stands 2 lower than its box so the texts line up with the boxes' text.
constexpr std::array<RecordRow, 10> kRecordRows = {{
    {IDC_REC_ROLE_LABEL, IDC_REC_ROLE, 0, 24},
    {IDC_REC_AGE_LABEL, IDC_REC_AGE, 28, 22},
    {IDC_REC_SEX_LABEL, IDC_REC_SEX, 54, 22},
    {IDC_REC_ALLERGIES_LABEL, IDC_REC_ALLERGIES, 80, 22},
    {IDC_REC_CHRONIC_LABEL, IDC_REC_CHRONIC, 106, 22},
    {IDC_REC_REASON_LABEL, IDC_REC_REASON, 132, 40},
    {IDC_REC_VITALS_LABEL, IDC_REC_VITALS, 176, 22},
    {IDC_REC_EXAM_LABEL, IDC_REC_EXAM, 202, 40},
    {IDC_REC_MEDS_LABEL, IDC_REC_MEDS, 246, 22},
    {IDC_REC_FREE_TEXT_LABEL, IDC_REC_FREE_TEXT, 272, 40},
}};
constexpr int kRecordBoxX = 110;
constexpr int kRecordResultY = 350;
// The form does not scroll: a low page keeps a usable result box that runs past its bottom.
constexpr int kRecordMinResultHeight = 60;

constexpr int kRegistrationMaxBoxWidth = 480;

constexpr int kMainWindowWidth = 980;
constexpr int kMainWindowHeight = 720;

// Turns the 96-DPI constants of one layout into pixels at its DPI.
class DpiScale {
  public:
    explicit DpiScale(int dpi) : dpi_(dpi) {}
    [[nodiscard]] int operator()(int value) const { return ScaleToDpi(value, dpi_); }

  private:
    int dpi_;
};

// Moves [start, start + length) as little as keeps it inside [low, low + room), when it fits.
[[nodiscard]] int KeepInside(int start, int length, int low, int room) {
    return std::max(low, std::min(start, low + room - length));
}

}  // namespace

int ScaleToDpi(int value, int toDpi, int fromDpi) {
    const long long product = static_cast<long long>(value) * toDpi;
    const long long half = fromDpi / 2;
    return static_cast<int>((product < 0 ? product - half : product + half) / fromDpi);
}

LayoutRect ScaleToDpi(const LayoutRect& rect, int dpi) {
    const DpiScale s(dpi);
    return LayoutRect{s(rect.x), s(rect.y), s(rect.width), s(rect.height)};
}

LayoutRect FitMainWindow(int x, int y, int dpi, const LayoutRect& workArea) {
    const DpiScale s(dpi);
    const int width = std::min(s(kMainWindowWidth), workArea.width);
    const int height = std::min(s(kMainWindowHeight), workArea.height);
    return LayoutRect{KeepInside(x, width, workArea.x, workArea.width),
                      KeepInside(y, height, workArea.y, workArea.height), width, height};
}

std::optional<MainWindowFit> FitCreatedMainWindow(const MainWindowFrame& frame, int dpi,
                                                  const LayoutRect& workArea,
                                                  const LayoutRect& workspaceArea) {
    // Resizing a maximized window would leave it marked maximized at the normal size, and moving
    // a minimized one would bring it onto the desktop: those fit where they will restore to.
    const bool restored = frame.state != ShowState::kNormal;
    const LayoutRect& current = restored ? frame.restored : frame.window;
    const LayoutRect fitted =
        FitMainWindow(current.x, current.y, dpi, restored ? workspaceArea : workArea);
    if (fitted == current) {
        return std::nullopt;
    }
    return MainWindowFit{restored ? FitTarget::kRestoredPlacement : FitTarget::kWindow, fitted};
}

std::vector<ControlPlacement> LayoutMainControls(int clientWidth, int clientHeight, int dpi) {
    const int w = clientWidth;
    const int h = clientHeight;
    const DpiScale s(dpi);
    return {
        Place(IDC_TITLE, s(12), s(8), s(220), s(28)),
        Place(IDC_SUBTITLE, s(240), s(12), w - s(260), s(22)),
        Place(IDC_TABS, s(8), s(44), w - s(16), s(30)),
        Place(IDC_STATUS, s(12), h - s(78), w - s(24), s(22)),
        Place(IDC_FOOTER_NOTE, s(12), h - s(54), w - s(24), s(16)),
        Place(IDC_FOOTER_SITE, s(12), h - s(34), s(200), s(18)),
        Place(IDC_FOOTER_PRODUCT, s(220), h - s(34), s(180), s(18)),
    };
}

LayoutRect LayoutPageArea(int clientWidth, int clientHeight, bool registered, int dpi) {
    const DpiScale s(dpi);
    const int top = s(registered ? kPageTopWithTabs : kPageTopWithoutTabs);
    const int height = std::max(clientHeight - top - s(kPageBottomReserve), s(kMinPageHeight));
    return LayoutRect{s(8), top, clientWidth - s(16), height};
}

std::vector<ControlPlacement> LayoutChatPage(int width, int height, int dpi) {
    const int w = width;
    const int h = height;
    const DpiScale s(dpi);
    return {
        Place(IDC_CHAT_MODE, 0, 0, s(180), s(26)),
        Place(IDC_CHAT_TRANSCRIPT, 0, s(30), w, h - s(104)),
        Place(IDC_CHAT_INPUT, 0, h - s(70), w - s(210), s(66)),
        Place(IDC_CHAT_SEND, w - s(200), h - s(70), s(95), s(30)),
        Place(IDC_CHAT_READ, w - s(95), h - s(70), s(95), s(30)),
    };
}

std::vector<ControlPlacement> LayoutLabPage(int width, int height, int dpi) {
    const int w = width;
    const int h = height;
    const DpiScale s(dpi);
    // The pasted text takes the upper half; the short form and the result share the lower one.
    const int m = h / 2;
    return {
        Place(IDC_LAB_TEXT_LABEL, 0, 0, w, s(18)),
        Place(IDC_LAB_TEXT, 0, s(20), w, m - s(50)),
        Place(IDC_LAB_AGE_LABEL, 0, m - s(22), s(40), s(18)),
        Place(IDC_LAB_AGE, s(44), m - s(24), s(70), s(24)),
        Place(IDC_LAB_SEX_LABEL, s(130), m - s(22), s(40), s(18)),
        Place(IDC_LAB_SEX, s(170), m - s(24), s(90), s(120)),
        Place(IDC_LAB_SYMPTOMS_LABEL, 0, m + s(8), s(80), s(18)),
        Place(IDC_LAB_SYMPTOMS, 0, m + s(28), w, s(44)),
        Place(IDC_LAB_ANALYZE, 0, m + s(78), s(140), s(28)),
        Place(IDC_LAB_RESULT, 0, m + s(112), w, h - m - s(112)),
    };
}

std::vector<ControlPlacement> LayoutRecordPage(int width, int height, int dpi) {
    const DpiScale s(dpi);
    const int boxX = s(kRecordBoxX);
    const int boxWidth = width - boxX;
    const int resultY = s(kRecordResultY);
    std::vector<ControlPlacement> placements;
    placements.reserve(kRecordRows.size() * 2 + 2);
    for (const RecordRow& row : kRecordRows) {
        placements.push_back(Place(row.labelId, 0, s(row.boxY + 2), s(105), s(18)));
        placements.push_back(Place(row.boxId, boxX, s(row.boxY), boxWidth, s(row.boxHeight)));
    }
    placements.push_back(Place(IDC_REC_ANALYZE, 0, s(316), s(160), s(28)));
    placements.push_back(Place(IDC_REC_RESULT, 0, resultY, width,
                               std::max(height - resultY, s(kRecordMinResultHeight))));
    return placements;
}

std::vector<ControlPlacement> LayoutHistoryPage(int width, int height, int dpi) {
    const DpiScale s(dpi);
    const int half = width / 2;
    return {
        Place(IDC_HIST_REFRESH, 0, 0, s(130), s(26)),
        Place(IDC_HIST_CAPTION, s(140), s(4), width - s(140), s(18)),
        Place(IDC_HIST_LIST, 0, s(32), half - s(4), height - s(32)),
        Place(IDC_HIST_DETAIL, half + s(4), s(32), half - s(4), height - s(32)),
    };
}

std::vector<ControlPlacement> LayoutRegistrationPage(int width, int /*height*/, int dpi) {
    const DpiScale s(dpi);
    const int textWidth = width - s(80);
    // Boxes wider than this only make the typed text harder to follow.
    const int boxWidth = std::min(textWidth, s(kRegistrationMaxBoxWidth));
    return {
        Place(IDC_REG_WELCOME, s(40), s(16), textWidth, s(32)),
        Place(IDC_REG_TAGLINE, s(40), s(52), textWidth, s(20)),
        Place(IDC_REG_HINT, s(40), s(80), textWidth, s(20)),
        Place(IDC_REG_EMAIL_LABEL, s(40), s(108), s(300), s(18)),
        Place(IDC_REG_EMAIL, s(40), s(128), boxWidth, s(28)),
        Place(IDC_REG_NAME_LABEL, s(40), s(168), s(300), s(18)),
        Place(IDC_REG_NAME, s(40), s(188), boxWidth, s(28)),
        Place(IDC_REG_CONTINUE, s(40), s(236), s(160), s(32)),
        Place(IDC_REG_NOTE, s(40), s(286), textWidth, s(60)),
    };
}

}  // namespace alvena
