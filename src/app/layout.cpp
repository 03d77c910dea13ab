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

}  // namespace

std::vector<ControlPlacement> LayoutMainControls(int clientWidth, int clientHeight) {
    const int w = clientWidth;
    const int h = clientHeight;
    return {
        Place(IDC_TITLE, 12, 8, 220, 28),
        Place(IDC_SUBTITLE, 240, 12, w - 260, 22),
        Place(IDC_TABS, 8, 44, w - 16, 30),
        Place(IDC_STATUS, 12, h - 78, w - 24, 22),
        Place(IDC_FOOTER_NOTE, 12, h - 54, w - 24, 16),
        Place(IDC_FOOTER_SITE, 12, h - 34, 200, 18),
        Place(IDC_FOOTER_PRODUCT, 220, h - 34, 180, 18),
    };
}

LayoutRect LayoutPageArea(int clientWidth, int clientHeight, bool registered) {
    const int top = registered ? kPageTopWithTabs : kPageTopWithoutTabs;
    const int height = std::max(clientHeight - top - kPageBottomReserve, kMinPageHeight);
    return LayoutRect{8, top, clientWidth - 16, height};
}

std::vector<ControlPlacement> LayoutChatPage(int width, int height) {
    const int w = width;
    const int h = height;
    return {
        Place(IDC_CHAT_MODE, 0, 0, 180, 26),
        Place(IDC_CHAT_TRANSCRIPT, 0, 30, w, h - 104),
        Place(IDC_CHAT_INPUT, 0, h - 70, w - 210, 66),
        Place(IDC_CHAT_SEND, w - 200, h - 70, 95, 30),
        Place(IDC_CHAT_READ, w - 95, h - 70, 95, 30),
    };
}

std::vector<ControlPlacement> LayoutLabPage(int width, int height) {
    const int w = width;
    const int h = height;
    // The pasted text takes the upper half; the short form and the result share the lower one.
    const int m = h / 2;
    return {
        Place(IDC_LAB_TEXT_LABEL, 0, 0, w, 18),
        Place(IDC_LAB_TEXT, 0, 20, w, m - 50),
        Place(IDC_LAB_AGE_LABEL, 0, m - 22, 40, 18),
        Place(IDC_LAB_AGE, 44, m - 24, 70, 24),
        Place(IDC_LAB_SEX_LABEL, 130, m - 22, 40, 18),
        Place(IDC_LAB_SEX, 170, m - 24, 90, 120),
        Place(IDC_LAB_SYMPTOMS_LABEL, 0, m + 8, 80, 18),
        Place(IDC_LAB_SYMPTOMS, 0, m + 28, w, 44),
        Place(IDC_LAB_ANALYZE, 0, m + 78, 140, 28),
        Place(IDC_LAB_RESULT, 0, m + 112, w, h - m - 112),
    };
}

std::vector<ControlPlacement> LayoutRecordPage(int width, int height) {
    const int boxWidth = width - kRecordBoxX;
    std::vector<ControlPlacement> placements;
    placements.reserve(kRecordRows.size() * 2 + 2);
    for (const RecordRow& row : kRecordRows) {
        placements.push_back(Place(row.labelId, 0, row.boxY + 2, 105, 18));
        placements.push_back(Place(row.boxId, kRecordBoxX, row.boxY, boxWidth, row.boxHeight));
    }
    placements.push_back(Place(IDC_REC_ANALYZE, 0, 316, 160, 28));
    placements.push_back(Place(IDC_REC_RESULT, 0, kRecordResultY, width,
                               std::max(height - kRecordResultY, kRecordMinResultHeight)));
    return placements;
}

std::vector<ControlPlacement> LayoutHistoryPage(int width, int height) {
    const int half = width / 2;
    return {
        Place(IDC_HIST_REFRESH, 0, 0, 130, 26),
        Place(IDC_HIST_CAPTION, 140, 4, width - 140, 18),
        Place(IDC_HIST_LIST, 0, 32, half - 4, height - 32),
        Place(IDC_HIST_DETAIL, half + 4, 32, half - 4, height - 32),
    };
}

std::vector<ControlPlacement> LayoutRegistrationPage(int width, int /*height*/) {
    const int textWidth = width - 80;
    // Boxes wider than this only make the typed text harder to follow.
    const int boxWidth = std::min(textWidth, kRegistrationMaxBoxWidth);
    return {
        Place(IDC_REG_WELCOME, 40, 16, textWidth, 32),
        Place(IDC_REG_TAGLINE, 40, 52, textWidth, 20),
        Place(IDC_REG_HINT, 40, 80, textWidth, 20),
        Place(IDC_REG_EMAIL_LABEL, 40, 108, 300, 18),
        Place(IDC_REG_EMAIL, 40, 128, boxWidth, 28),
        Place(IDC_REG_NAME_LABEL, 40, 168, 300, 18),
        Place(IDC_REG_NAME, 40, 188, boxWidth, 28),
        Place(IDC_REG_CONTINUE, 40, 236, 160, 32),
        Place(IDC_REG_NOTE, 40, 286, textWidth, 60),
    };
}

}  // namespace alvena
