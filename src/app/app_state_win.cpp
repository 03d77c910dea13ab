#include "app/app_state_win.h"

namespace alvena {
namespace {

AppState* g_app = nullptr;

}  // namespace

AppState* CurrentApp() {
    return g_app;
}

void SetCurrentApp(AppState* app) {
    g_app = app;
}

}  // namespace alvena
