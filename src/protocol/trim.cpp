#include "protocol/trim.h"

#include "protocol/unicode_class.h"

namespace alvena {

bool IsTrimSpace(char16_t unit) {
    if (unit < 0x100) {
        return (unit >= 0x09 && unit <= 0x0D) || unit == 0x20 || unit == 0x85 || unit == 0xA0;
    }
    return IsUnicodeSpace(unit);
}

WideText Trim(WideView text) {
    std::size_t first = 0;
    while (first < text.size() && IsTrimSpace(text[first])) {
        ++first;
    }
    if (first == text.size()) {
        return {};
    }
    std::size_t last = text.size() - 1;
    while (IsTrimSpace(text[last])) {
        --last;
    }
    return WideText(text.substr(first, last - first + 1));
}

}  // namespace alvena
