// What following the user's proxy settings adds to each consultation where none are set: the
// resolution alone, in process, with the real WinHTTP. The first call of a process includes
// the search for a proxy script (automatic detection is on by default); later ones only read the
// settings, since a search that found nothing is not made again.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "protocol/https_transport.h"
#include "protocol/proxy_settings_win.h"
#include "protocol/winhttp_library_win.h"

namespace {

double ResolveMs(const alvena::WinHttpFunctions& winhttp, alvena::ProxyDetectionMemo& memo,
                 bool& machineSetting) {
    const auto start = std::chrono::steady_clock::now();
    const alvena::ProxyPlan plan =
        alvena::ResolveProxyPlan(winhttp, alvena::ServiceTarget(), u"/api/consultar", memo);
    const auto end = std::chrono::steady_clock::now();
    machineSetting = plan.machineSetting;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

}  // namespace

int main() {
    const alvena::WinHttpFunctions* winhttp = alvena::WinHttp();
    if (winhttp == nullptr) {
        std::fprintf(stderr, "winhttp.dll cannot be loaded\n");
        return 1;
    }
    // What every first consultation paid already: WinHTTP's first session of the process.
    const auto openStart = std::chrono::steady_clock::now();
    winhttp->closeHandle(winhttp->open(L"Alvena-Windows/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                       WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    const double firstSessionMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - openStart)
            .count();
    alvena::ProxyDetectionMemo memo;
    bool machineSetting = false;
    const double first = ResolveMs(*winhttp, memo, machineSetting);
    std::vector<double> later;
    for (int i = 0; i < 99; ++i) {
        later.push_back(ResolveMs(*winhttp, memo, machineSetting));
    }
    std::sort(later.begin(), later.end());
    std::printf(
        "first WinHTTP session of the process %.2f ms; then proxy resolution with no "
        "proxy set (%s): first %.2f ms (the search included), later median %.3f ms "
        "(%.3f-%.3f), 99 runs\n",
        firstSessionMs, machineSetting ? "machine setting" : "a route", first,
        later[later.size() / 2], later.front(), later.back());
    return 0;
}
