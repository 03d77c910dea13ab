#include "protocol/winhttp_library_win.h"

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
    // Thread-safe: the first consultation's worker loads it, later ones find it.
    static const std::optional<WinHttpFunctions> functions = LoadWinHttp(L"winhttp.dll");
    return functions ? &*functions : nullptr;
}

}  // namespace alvena
