#include "app/title_bar_win.h"

#include <memory>
#include <type_traits>
#include <string>

namespace alvena {
namespace {

// Not in the headers of every SDK: the attribute's number since Windows 10 2004.
constexpr DWORD kUseImmersiveDarkMode = 20;

using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

struct FreeModule {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeModule>;

// dwmapi.dll by its full path in the system folder, never by a search that could find a planted
// copy; loaded here rather than imported, so the exe still starts where it is missing.
UniqueModule LoadSystemDwmapi() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const std::wstring path = std::wstring(folder, length) + L"\\dwmapi.dll";
    return UniqueModule(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace

bool UseDarkTitleBar(HWND window) {
    const UniqueModule dwmapi = LoadSystemDwmapi();
    if (!dwmapi) {
        return false;
    }
    // Through a generic function pointer: the cast between unrelated signatures is deliberate.
    const auto setAttribute = reinterpret_cast<DwmSetWindowAttributeFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(dwmapi.get(), "DwmSetWindowAttribute")));
    if (setAttribute == nullptr) {
        return false;
    }
    const BOOL dark = TRUE;
    return SUCCEEDED(setAttribute(window, kUseImmersiveDarkMode, &dark, sizeof(dark)));
}

}  // namespace alvena
