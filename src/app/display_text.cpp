#include "app/display_text.h"

namespace alvena {

WideText ToDisplayLineBreaks(WideView text) {
    WideText out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A line feed already paired with its carriage return is left alone, so converting
        // twice changes nothing.
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) {
            out.push_back(u'\r');
        }
        out.push_back(text[i]);
    }
    return out;
}

WideText TranscriptBlock(WideView label, WideView text) {
    WideText block(label);
    block += u":\r\n";
    block += ToDisplayLineBreaks(text);
    block += u"\r\n\r\n";
    return block;
}

}  // namespace alvena
