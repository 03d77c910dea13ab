#include "screens/runner_win.h"

#include <memory>
#include <thread>

#include "app/app_state_win.h"
#include "app/control_ids.h"
#include "app/control_text_win.h"
#include "app/main_window_win.h"
#include "app/ui_seams_win.h"
#include "storage/history_store.h"

namespace alvena {
namespace {

constexpr DWORD kRetryPauseMs = 50;

// The worker is given the window handle, taken here on the window thread; it never reads
// AppState, which may be gone by the time it finishes.
RunnerHooks WorkerHooks(HWND window) {
    RunnerHooks hooks;
    // Whatever stops the thread from starting is the runner's to handle.
    hooks.startThread = [](std::function<void()> body) {
        std::thread(std::move(body)).detach();
        return true;
    };
    hooks.deliver = [window](ConsultResult* record) {
        return PostMessageW(window, WM_CONSULT_DONE, 0, reinterpret_cast<LPARAM>(record)) != FALSE;
    };
    hooks.targetAlive = [window] { return IsWindow(window) != FALSE; };
    hooks.pauseBeforeRetry = [] { Sleep(kRetryPauseMs); };
    return hooks;
}

void ShowError(const AppState& app, const WideText& text) {
    SetStatusText(u"Error");
    ShowMessageBox(app.mainWindow, text, u"Alvena", MB_ICONERROR);
}

void ShowResult(AppState& app, const ConsultResult& result) {
    if (result.kind == u"chat") {
        AppendTranscript(u"Alvena", result.text);
        app.conversation.push_back({u"assistant", result.text});
    } else if (result.kind == u"laboratorio") {
        SetDisplayText(GetDlgItem(app.pages[kLabPage], IDC_LAB_RESULT), result.text);
    } else if (result.kind == u"expediente") {
        SetDisplayText(GetDlgItem(app.pages[kRecordPage], IDC_REC_RESULT), result.text);
    } else {
        return;
    }
    // Stamped now, in the order the consultations finish; written by the saver's thread.
    app.historySaver.Add(app.dataFolder,
                         MakeHistoryEntry(SystemEntryStamps(), app.profile.email, result.kind,
                                          result.title, result.text, result.text));
}

}  // namespace

void StartConsult(ConsultJob job) {
    AppState& app = *CurrentApp();
    if (app.busy) {
        ShowMessageBox(app.mainWindow, u"Espere a que termine la consulta actual.", u"Alvena",
                       MB_ICONINFORMATION);
        return;
    }
    SetStatusText(u"Consultando servidor…");
    switch (StartConsultJob(app.busy, std::move(job), WorkerHooks(app.mainWindow))) {
        case StartOutcome::kStarted:
        case StartOutcome::kBusy:
            break;
        case StartOutcome::kNoThread:
            ShowError(app, u"No se pudo iniciar la consulta.");
            break;
    }
}

void OnConsultDone(ConsultResult* record) {
    const std::unique_ptr<ConsultResult> result(record);
    AppState& app = *CurrentApp();
    app.busy = false;
    if (result == nullptr) {
        ShowError(app, u"Error desconocido");  // the worker had no memory to say more
        return;
    }
    if (!result->ok) {
        ShowError(app, result->error);
        return;
    }
    SetStatusText(u"Listo");
    ShowResult(app, *result);
}

}  // namespace alvena
