#pragma once

namespace alvena {

// What HardenProcess could apply on this system.
struct ProcessHardening {
    bool dllSearchLimited = false;  // DLLs come from the program's folder and System32 only
    bool imageLoadPolicySet = false;
};

// First thing the process does, before any DLL is loaded by name: never from the current folder
// or PATH (the usual DLL-planting routes), no images from remote shares or of low integrity, and
// System32 before the program's folder. Each step is taken only where the system has it.
[[nodiscard]] ProcessHardening HardenProcess();

}  // namespace alvena
