#pragma once

#include <windows.h>

namespace alvena {

// Exit codes when no window could be made: better to end than to wait in a loop without one.
inline constexpr int kExitNoWindowClass = 2;
inline constexpr int kExitNoMainWindow = 3;

// The whole process: start-up, the message loop and teardown; returns the exit code.
[[nodiscard]] int RunAlvena(HINSTANCE instance, int showCommand);

}  // namespace alvena
