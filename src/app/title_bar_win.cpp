#include "app/title_bar_win.h"

#include "protocol/system_library_win.h"

namespace alvena {
namespace {

// Not in the headers of every SDK: the attribute's number since Windows 10 2004, and the one
// before it (1809 to 1909, among them LTSC 2019), which later versions no longer take.
constexpr DWORD kUseImmersiveDarkMode = 20;
constexpr DWORD kUseImmersiveDarkModeBefore2004 = 19;

using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

}  // namespace

bool UseDarkTitleBar(HWND window) {
    // Loaded here rather than imported, so that the exe still starts where it is missing.
    const UniqueLibrary dwmapi = LoadSystemLibrary(L"dwmapi.dll");
    const auto setAttribute =
        LibraryFunction<DwmSetWindowAttributeFn>(dwmapi.get(), "DwmSetWindowAttribute");
    return setAttribute != nullptr && UseDarkTitleBar(window, setAttribute);
}

bool UseDarkTitleBar(HWND window, const SetWindowAttribute& setAttribute) {
    const BOOL dark = TRUE;
    for (const DWORD attribute : {kUseImmersiveDarkMode, kUseImmersiveDarkModeBefore2004}) {
        if (SUCCEEDED(setAttribute(window, attribute, &dark, sizeof(dark)))) {
            return true;
        }
    }
    return false;
}

}  // namespace alvena
