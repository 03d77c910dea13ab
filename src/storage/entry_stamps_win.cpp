#include <windows.h>
#include <rpc.h>

#include <cwchar>
#include <memory>

#include "protocol/wide_text_win.h"
#include "storage/entry_stamps.h"

namespace alvena {
namespace {

struct RpcStringDeleter {
    void operator()(RPC_WSTR text) const { RpcStringFreeW(&text); }
};

class SystemStamps final : public EntryStamps {
  public:
    WideText NewId() override {
        UUID uuid{};
        // Not examined: a status of local-only uniqueness still gives an id unique on this machine.
        UuidCreate(&uuid);
        RPC_WSTR raw = nullptr;
        if (UuidToStringW(&uuid, &raw) != RPC_S_OK || raw == nullptr) {
            return {};
        }
        const std::unique_ptr<unsigned short, RpcStringDeleter> text(raw);
        const auto* chars = reinterpret_cast<const wchar_t*>(text.get());
        return FromWinText(chars, std::wcslen(chars));
    }

    std::int64_t NowUnixMs() override {
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        return UnixMsFromFileTime((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                                  now.dwLowDateTime);
    }
};

}  // namespace

EntryStamps& SystemEntryStamps() {
    static SystemStamps stamps;
    return stamps;
}

}  // namespace alvena
