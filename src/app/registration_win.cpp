#include "app/registration_win.h"

#include "app/app_state_win.h"
#include "app/control_ids.h"
#include "app/control_text_win.h"
#include "app/email_check.h"
#include "app/focus_win.h"
#include "app/main_window_win.h"
#include "app/pages_win.h"
#include "app/ui_seams_win.h"
#include "protocol/trim.h"
#include "storage/profile.h"

namespace alvena {

void ApplyProfile() {
    AppState& app = *CurrentApp();
    app.profile = LoadProfile(app.dataFolder);
    // Laid out first, so that the page shown is built in its place.
    LayoutWindow();
    ShowPage(0);
    if (!app.profile.email.empty()) {
        SetStatusText(u"Sesión: " + app.profile.email);
    } else {
        SetStatusText(u"Registre su correo para comenzar");
    }
}

void OnContinue() {
    AppState& app = *CurrentApp();
    HWND page = app.pages[kRegistrationPage];
    const WideText email = Trim(ReadControlText(GetDlgItem(page, IDC_REG_EMAIL)));
    const WideText name = Trim(ReadControlText(GetDlgItem(page, IDC_REG_NAME)));
    if (!IsValidEmail(email)) {
        // The boxes keep what was typed, for another try.
        ShowMessageBox(app.mainWindow, u"Ingrese un correo válido.", u"Registro", MB_ICONWARNING);
        FocusControl(GetDlgItem(page, IDC_REG_EMAIL));
        return;
    }
    SaveProfile(app.dataFolder, email, name);
    // What was read back, not what was typed, decides: a failed save leaves the user unregistered.
    ApplyProfile();
}

}  // namespace alvena
