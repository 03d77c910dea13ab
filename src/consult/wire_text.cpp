#include "consult/wire_text.h"

#include "protocol/json_text.h"
#include "protocol/utf8.h"

namespace alvena {

Utf8Text EscapedValue(const WideText& text) {
    return JsonEscape(WideToUtf8(text));
}

Utf8Text ReplyOrientation(Utf8View reply) {
    Utf8Text orientation = JsonGetString(reply, "orientacion", "");
    if (orientation.empty()) {
        orientation = JsonGetString(reply, "analisis", "Sin orientación.");
    }
    return orientation;
}

void AppendListBlock(Utf8Text& text, Utf8View heading, const std::vector<Utf8Text>& items) {
    if (items.empty()) {
        return;
    }
    text += "\n\n";
    text += heading;
    for (const Utf8Text& item : items) {
        text += "\n- ";
        text += item;
    }
}

}  // namespace alvena
