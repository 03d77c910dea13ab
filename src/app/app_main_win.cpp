#include <windows.h>

#include "app/process_hardening_win.h"
#include "app/startup_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    (void)alvena::HardenProcess();
    return alvena::RunAlvena(instance, showCommand);
}
