#pragma once

#include <windows.h>
#include <objbase.h>

namespace alvena {

// The window thread's COM apartment, single-threaded and without OLE1 DDE, for as long as the
// object lives: ShellExecuteW (the footer links) and the speech voice both want one. Whatever
// COM objects the thread made must be released before it ends.
class ComApartment {
  public:
    ComApartment()
        : initialised_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (initialised_) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool initialised_;
};

}  // namespace alvena
