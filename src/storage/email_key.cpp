#include "storage/email_key.h"

#include "protocol/trim.h"
#include "protocol/unicode_class.h"

namespace alvena {
WideText LowerCase(WideView text) {
    WideText lowered(text);
    for (char16_t& unit : lowered) {
        if (unit >= u'A' && unit <= u'Z') {
            unit = static_cast<char16_t>(unit + 0x20);
        }
    }
    return lowered;
}

WideText EmailKey(WideView email) {
    return LowerCase(Trim(email));
}

bool IsFileKeyUnit(char16_t unit) {
    if (unit == u'+' || unit == u'-' || unit == u'.' || unit == u'@' || unit == u'_') {
        return true;
    }
    return IsLetterOrDigit(unit);
}

WideText FileKey(WideView email) {
    WideText key = EmailKey(email);
    for (char16_t& unit : key) {
        if (!IsFileKeyUnit(unit)) {
            unit = u'_';
        }
    }
    return key;
}

}  // namespace alvena
