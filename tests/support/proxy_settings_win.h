#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace alvena {

// The user's Internet settings as Windows keeps them (flags of DefaultConnectionSettings).
inline constexpr DWORD kProxyDirect = 1;
inline constexpr DWORD kProxyFixed = 2;
inline constexpr DWORD kProxyScript = 4;
inline constexpr DWORD kProxyDetect = 8;

struct UserProxyRegistry {
    DWORD flags = kProxyDirect;
    std::string proxy;
    std::string bypass;
    std::string scriptUrl;
};

// Writes the user's proxy settings, and the machine-wide WinHTTP proxy when one is given (none:
// a direct machine setting), into this prefix's registry, and puts back on destruction what was
// there before: the prefix is shared with other tests.
class ScopedProxySettings {
  public:
    explicit ScopedProxySettings(const UserProxyRegistry& user,
                                 const std::string& machineProxy = {});
    ~ScopedProxySettings();
    ScopedProxySettings(const ScopedProxySettings&) = delete;
    ScopedProxySettings& operator=(const ScopedProxySettings&) = delete;

  private:
    struct SavedValue {
        HKEY root;
        const wchar_t* name;
        std::optional<std::vector<BYTE>> bytes;  // none: the value was absent
    };
    static SavedValue Save(HKEY root, const wchar_t* name);
    static void Write(HKEY root, const wchar_t* name, const std::vector<BYTE>* bytes);

    SavedValue user_;
    SavedValue machine_;
};

}  // namespace alvena
