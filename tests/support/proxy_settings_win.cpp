#include "tests/support/proxy_settings_win.h"

#include <stdexcept>

namespace alvena {
namespace {

constexpr const wchar_t* kConnections =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
constexpr const wchar_t* kUserValue = L"DefaultConnectionSettings";
constexpr const wchar_t* kMachineValue = L"WinHttpSettings";
constexpr DWORD kUserVersion = 0x46;
constexpr DWORD kMachineVersion = 0x18;

void AppendDword(std::vector<BYTE>& bytes, DWORD value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<BYTE>(value >> shift));
    }
}

void AppendText(std::vector<BYTE>& bytes, const std::string& text) {
    AppendDword(bytes, static_cast<DWORD>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

std::vector<BYTE> UserBlob(const UserProxyRegistry& user) {
    std::vector<BYTE> bytes;
    AppendDword(bytes, kUserVersion);
    AppendDword(bytes, 1);  // change counter
    AppendDword(bytes, user.flags);
    AppendText(bytes, user.proxy);
    AppendText(bytes, user.bypass);
    AppendText(bytes, user.scriptUrl);
    bytes.resize(bytes.size() + 32, 0);  // what Windows keeps after the script address
    return bytes;
}

std::vector<BYTE> MachineBlob(const std::string& proxy) {
    std::vector<BYTE> bytes;
    AppendDword(bytes, kMachineVersion);
    AppendDword(bytes, 0);
    AppendDword(bytes, proxy.empty() ? kProxyDirect : kProxyDirect | kProxyFixed);
    AppendText(bytes, proxy);
    AppendText(bytes, "");
    return bytes;
}

}  // namespace

ScopedProxySettings::ScopedProxySettings(const UserProxyRegistry& user,
                                         const std::string& machineProxy)
    : user_(Save(HKEY_CURRENT_USER, kUserValue)),
      machine_(Save(HKEY_LOCAL_MACHINE, kMachineValue)) {
    const std::vector<BYTE> userBytes = UserBlob(user);
    const std::vector<BYTE> machineBytes = MachineBlob(machineProxy);
    Write(HKEY_CURRENT_USER, kUserValue, &userBytes);
    Write(HKEY_LOCAL_MACHINE, kMachineValue, &machineBytes);
}

ScopedProxySettings::~ScopedProxySettings() {
    for (const SavedValue* saved : {&user_, &machine_}) {
        try {
            Write(saved->root, saved->name, saved->bytes ? &*saved->bytes : nullptr);
        } catch (const std::runtime_error&) {
            // Nothing more can be done here; the next test's settings overwrite these.
        }
    }
}

ScopedProxySettings::SavedValue ScopedProxySettings::Save(HKEY root, const wchar_t* name) {
    SavedValue saved{root, name, std::nullopt};
    DWORD size = 0;
    if (RegGetValueW(root, kConnections, name, RRF_RT_REG_BINARY, nullptr, nullptr, &size) ==
        ERROR_SUCCESS) {
        std::vector<BYTE> bytes(size);
        if (RegGetValueW(root, kConnections, name, RRF_RT_REG_BINARY, nullptr, bytes.data(),
                         &size) == ERROR_SUCCESS) {
            bytes.resize(size);
            saved.bytes = std::move(bytes);
        }
    }
    return saved;
}

void ScopedProxySettings::Write(HKEY root, const wchar_t* name, const std::vector<BYTE>* bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, kConnections, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        throw std::runtime_error("cannot open the Internet settings key");
    }
    const LSTATUS status = bytes != nullptr
                               ? RegSetValueExW(key, name, 0, REG_BINARY, bytes->data(),
                                                static_cast<DWORD>(bytes->size()))
                               : RegDeleteValueW(key, name);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS && !(bytes == nullptr && status == ERROR_FILE_NOT_FOUND)) {
        throw std::runtime_error("cannot write the Internet settings");
    }
}

}  // namespace alvena
