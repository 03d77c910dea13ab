#pragma once

#include <windows.h>

namespace alvena {

// The child of `main` with control id `id`, at any depth (controls live on page windows); null
// when there is none. Ids are unique in the whole window.
inline HWND FindControlIn(HWND main, int id) {
    struct Search {
        int id;
        HWND found = nullptr;
    } search{id};
    EnumChildWindows(
        main,
        [](HWND window, LPARAM lParam) -> BOOL {
            auto* wanted = reinterpret_cast<Search*>(lParam);
            if (GetDlgCtrlID(window) != wanted->id) {
                return TRUE;
            }
            wanted->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace alvena
