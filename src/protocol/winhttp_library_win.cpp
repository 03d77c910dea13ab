#include "protocol/winhttp_library_win.h"

#include <cwchar>
#include <mutex>

namespace alvena {
namespace {

// void (*)() converts to and from every function pointer type without a warning.
template <typename Function>
[[nodiscard]] bool Bind(HMODULE library, const char* name, Function& function) {
    function =
        reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
    return function != nullptr;
}

}  // namespace

std::optional<WinHttpFunctions> LoadWinHttp(const wchar_t* library) {
    // Only the system folder: a winhttp.dll planted beside the exe or in the current folder is
    // never loaded.
    HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
        // A Windows 7 without the 2011 loader update refuses the flag: name the file in the system
        // folder instead.
        wchar_t path[MAX_PATH];
        const UINT folder = GetSystemDirectoryW(path, MAX_PATH);
        if (folder == 0 || folder >= MAX_PATH - 1 || wcslen(library) >= MAX_PATH - 1 - folder) {
            return std::nullopt;
        }
        path[folder] = L'\\';
        wcscpy(path + folder + 1, library);
        module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    if (module == nullptr) {
        return std::nullopt;
    }
    WinHttpFunctions f{};
    const bool bound = Bind(module, "WinHttpOpen", f.open) &&
                       Bind(module, "WinHttpConnect", f.connect) &&
                       Bind(module, "WinHttpOpenRequest", f.openRequest) &&
                       Bind(module, "WinHttpSetTimeouts", f.setTimeouts) &&
                       Bind(module, "WinHttpSetOption", f.setOption) &&
                       Bind(module, "WinHttpSendRequest", f.sendRequest) &&
                       Bind(module, "WinHttpReceiveResponse", f.receiveResponse) &&
                       Bind(module, "WinHttpQueryHeaders", f.queryHeaders) &&
                       Bind(module, "WinHttpQueryDataAvailable", f.queryDataAvailable) &&
                       Bind(module, "WinHttpReadData", f.readData) &&
                       Bind(module, "WinHttpCloseHandle", f.closeHandle);
    if (!bound) {
        FreeLibrary(module);
        return std::nullopt;
    }
    return f;
}

const WinHttpFunctions* WinHttp() {
    // Any thread may ask. A load that failed is tried again by the next consultation (the cause
    // may have passed); one that worked is kept.
    static std::mutex guard;
    static std::optional<WinHttpFunctions> functions;
    const std::lock_guard<std::mutex> lock(guard);
    if (!functions) {
        functions = LoadWinHttp(L"winhttp.dll");
    }
    return functions ? &*functions : nullptr;
}

}  // namespace alvena
