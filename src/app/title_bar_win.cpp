#include "app/title_bar_win.h"

#include "protocol/system_library_win.h"

namespace alvena {
namespace {

// Not in the headers of every SDK: the attribute's number since Windows 10 2004.
constexpr DWORD kUseImmersiveDarkMode = 20;

using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

}  // namespace

bool UseDarkTitleBar(HWND window) {
    // Loaded here rather than imported, so that the exe still starts where it is missing.
    const UniqueLibrary dwmapi = LoadSystemLibrary(L"dwmapi.dll");
    const auto setAttribute =
        LibraryFunction<DwmSetWindowAttributeFn>(dwmapi.get(), "DwmSetWindowAttribute");
    const BOOL dark = TRUE;
    return setAttribute != nullptr &&
           SUCCEEDED(setAttribute(window, kUseImmersiveDarkMode, &dark, sizeof(dark)));
}

}  // namespace alvena
