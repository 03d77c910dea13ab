#include "protocol/winhttp_library_win.h"

#include <mutex>

#include "protocol/system_library_win.h"

namespace alvena {
namespace {

template <typename Function>
[[nodiscard]] bool Bind(HMODULE library, const char* name, Function& function) {
    function = LibraryFunction<Function>(library, name);
    return function != nullptr;
}

}  // namespace

std::optional<WinHttpFunctions> LoadWinHttp(const wchar_t* library) {
    UniqueLibrary owned = LoadSystemLibrary(library);
    HMODULE module = owned.get();
    WinHttpFunctions f{};
    const bool bound =
        Bind(module, "WinHttpOpen", f.open) && Bind(module, "WinHttpConnect", f.connect) &&
        Bind(module, "WinHttpOpenRequest", f.openRequest) &&
        Bind(module, "WinHttpSetTimeouts", f.setTimeouts) &&
        Bind(module, "WinHttpSetOption", f.setOption) &&
        Bind(module, "WinHttpSendRequest", f.sendRequest) &&
        Bind(module, "WinHttpReceiveResponse", f.receiveResponse) &&
        Bind(module, "WinHttpQueryHeaders", f.queryHeaders) &&
        Bind(module, "WinHttpQueryDataAvailable", f.queryDataAvailable) &&
        Bind(module, "WinHttpReadData", f.readData) &&
        Bind(module, "WinHttpCloseHandle", f.closeHandle) &&
        Bind(module, "WinHttpGetIEProxyConfigForCurrentUser", f.getIEProxyConfigForCurrentUser) &&
        Bind(module, "WinHttpGetProxyForUrl", f.getProxyForUrl) &&
        Bind(module, "WinHttpQueryAuthSchemes", f.queryAuthSchemes) &&
        Bind(module, "WinHttpSetCredentials", f.setCredentials);
    if (!bound) {
        return std::nullopt;
    }
    static_cast<void>(owned.release());  // bound functions need it for the rest of the run
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
