#include "app/email_check.h"

#include <algorithm>

#include "protocol/trim.h"
#include "protocol/unicode_class.h"

namespace alvena {
namespace {

[[nodiscard]] bool IsEmailUnit(char16_t unit) {
    return IsLetterOrDigit(unit) || unit == u'+' || unit == u'-' || unit == u'.' || unit == u'@' ||
           unit == u'_';
}

}  // namespace

bool IsValidEmail(WideView text) {
    const WideText trimmed = Trim(text);
    const WideView email = trimmed;
    if (email.empty()) {
        return false;
    }
    // Only the first at sign counts; a later one is merely an allowed character.
    const std::size_t at = email.find(u'@');
    if (at == WideView::npos || at == 0 || at + 1 == email.size()) {
        return false;
    }
    const std::size_t dot = email.find(u'.', at + 1);
    if (dot == WideView::npos || dot + 1 == email.size()) {
        return false;
    }
    return std::all_of(email.begin(), email.end(), IsEmailUnit);
}

}  // namespace alvena
