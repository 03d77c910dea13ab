#include "app/process_hardening_win.h"

#include <windows.h>

#include "protocol/system_library_win.h"

namespace alvena {
namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetProcessMitigationPolicyFn = BOOL(WINAPI*)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);

// Looked up at run time, not imported: Windows 7 has the first only with KB2533623, and the
// second comes with Windows 8.
template <typename Fn>
[[nodiscard]] Fn Kernel32Function(const char* name) {
    return LibraryFunction<Fn>(GetModuleHandleW(L"kernel32.dll"), name);
}

}  // namespace

ProcessHardening HardenProcess() {
    ProcessHardening applied;
    // The program's folder and System32, nothing narrower: third-party voices and input methods
    // load helpers from their own folders by full path, which this still allows.
    if (const auto setDirectories =
            Kernel32Function<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories")) {
        applied.dllSearchLimited = setDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS) != FALSE;
    }
    // Not signed-only images nor a ban on dynamic code: both break third-party voices, input
    // methods and screen readers.
    if (const auto setPolicy =
            Kernel32Function<SetProcessMitigationPolicyFn>("SetProcessMitigationPolicy")) {
        PROCESS_MITIGATION_IMAGE_LOAD_POLICY policy{};
        policy.NoRemoteImages = 1;
        policy.NoLowMandatoryLabelImages = 1;
        policy.PreferSystem32Images = 1;
        // Windows 8 knows the function but not this policy: it refuses, and nothing changes.
        applied.imageLoadPolicySet =
            setPolicy(ProcessImageLoadPolicy, &policy, sizeof(policy)) != FALSE;
    }
    return applied;
}

}  // namespace alvena
