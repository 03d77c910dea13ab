#pragma once

#include <windows.h>

#include "consult/consult_result.h"
#include "screens/consult_runner.h"

namespace alvena {

// Carries a heap ConsultResult from a worker to the main window in lParam; the receiver owns it.
inline constexpr UINT WM_CONSULT_DONE = WM_APP + 1;

// Runs the job on a worker thread, or shows the busy message while another one runs.
void StartConsult(ConsultJob job);

// Window thread, for WM_CONSULT_DONE: shows, records and saves the result, or shows its error.
void OnConsultDone(ConsultResult* record);

}  // namespace alvena
