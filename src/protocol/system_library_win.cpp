#include "protocol/system_library_win.h"

#include <cwchar>

namespace alvena {

UniqueLibrary LoadSystemLibrary(const wchar_t* name) {
    if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return UniqueLibrary(module);
    }
    wchar_t path[MAX_PATH];
    const UINT folder = GetSystemDirectoryW(path, MAX_PATH);
    if (folder == 0 || folder >= MAX_PATH - 1 || std::wcslen(name) >= MAX_PATH - 1 - folder) {
        return nullptr;
    }
    path[folder] = L'\\';
    std::wcscpy(path + folder + 1, name);
    // Its own dependencies are then looked for in the system folder first, too.
    return UniqueLibrary(LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace alvena
