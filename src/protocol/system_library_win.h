#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace alvena {

struct FreeLibraryDeleter {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
// Sole owner of one reference to a loaded DLL.
using UniqueLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeLibraryDeleter>;

// A DLL from the system folder only, never one planted beside the exe, in the current folder or
// on PATH; null when it is not there. Loaded with the loader's system-folder search, or by its
// full path on a Windows 7 whose loader lacks that search (it refuses the flag).
[[nodiscard]] UniqueLibrary LoadSystemLibrary(const wchar_t* name);

// A function of `module` looked up by name, as type `Function`; null when there is none. Calls
// that some supported Windows lacks are looked up so, not imported: an import of a missing
// function would keep the program from starting at all.
template <typename Function>
[[nodiscard]] Function LibraryFunction(HMODULE module, const char* name) {
    if (module == nullptr) {
        return nullptr;
    }
    // void (*)() converts to and from every function pointer type without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace alvena
