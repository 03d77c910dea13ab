#include "storage/lock_name.h"

#include <cstdint>

namespace alvena {

WideText SaveLockName(const WideText& path) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char16_t unit : path) {
        hash ^= unit >= u'A' && unit <= u'Z' ? unit + 0x20 : unit;
        hash *= 1099511628211ull;
    }
    WideText name = u"Local\\Alvena-";
    for (int shift = 60; shift >= 0; shift -= 4) {
        name += u"0123456789abcdef"[(hash >> shift) & 0xF];
    }
    return name;
}

}  // namespace alvena
