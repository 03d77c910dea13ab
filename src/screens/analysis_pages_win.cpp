#include "screens/analysis_pages_win.h"

#include <windows.h>

#include "app/app_state_win.h"
#include "app/control_ids.h"
#include "app/control_text_win.h"
#include "app/ui_seams_win.h"
#include "consult/lab_request.h"
#include "consult/record_request.h"
#include "protocol/trim.h"
#include "screens/consult_transport.h"
#include "screens/runner_win.h"

namespace alvena {
namespace {

WideText TextOf(HWND page, int id) {
    return ReadControlText(GetDlgItem(page, id));
}

// The mode chosen on the chat page applies to every kind of consultation.
WideText ChosenMode(const AppState& app) {
    return ComboSelectionText(app.pages[kChatPage], IDC_CHAT_MODE);
}

}  // namespace

void OnAnalyzeLab() {
    const AppState& app = *CurrentApp();
    HWND page = app.pages[kLabPage];
    const WideText labText = Trim(TextOf(page, IDC_LAB_TEXT));
    if (labText.empty()) {
        ShowMessageBox(app.mainWindow, u"Pegue el texto del laboratorio.", u"Laboratorio",
                       MB_ICONWARNING);
        return;
    }
    const WideText age = TextOf(page, IDC_LAB_AGE);
    const WideText sex = ComboSelectionText(page, IDC_LAB_SEX);
    const WideText symptoms = TextOf(page, IDC_LAB_SYMPTOMS);
    const WideText mode = ChosenMode(app);
    StartConsult([=, post = ConsultTransport()] {
        return RunLabConsult(labText, age, sex, symptoms, mode, post);
    });
}

void OnAnalyzeRecord() {
    const AppState& app = *CurrentApp();
    HWND page = app.pages[kRecordPage];
    const WideText role = ComboSelectionText(page, IDC_REC_ROLE);
    const WideText age = TextOf(page, IDC_REC_AGE);
    const WideText sex = TextOf(page, IDC_REC_SEX);
    const WideText allergies = TextOf(page, IDC_REC_ALLERGIES);
    const WideText chronic = TextOf(page, IDC_REC_CHRONIC);
    const WideText reason = TextOf(page, IDC_REC_REASON);
    const WideText vitals = TextOf(page, IDC_REC_VITALS);
    const WideText exam = TextOf(page, IDC_REC_EXAM);
    const WideText meds = TextOf(page, IDC_REC_MEDS);
    const WideText freeText = TextOf(page, IDC_REC_FREE_TEXT);
    const WideText mode = ChosenMode(app);
    // Trimmed only for the check: the texts travel as typed.
    if (Trim(reason).empty() && Trim(freeText).empty() && Trim(exam).empty()) {
        ShowMessageBox(app.mainWindow, u"Complete al menos motivo, exploración o texto libre.",
                       u"Expediente", MB_ICONWARNING);
        return;
    }
    StartConsult([=, post = ConsultTransport()] {
        return RunRecordConsult(reason, role, age, sex, allergies, chronic, vitals, exam, meds,
                                freeText, mode, post);
    });
}

}  // namespace alvena
