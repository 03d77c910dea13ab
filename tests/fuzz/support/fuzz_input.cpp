#include "tests/fuzz/support/fuzz_input.h"

#include <string>

namespace alvena {

WideText ConsumeWide(FuzzedDataProvider& input, std::size_t maxBytes) {
    const std::string bytes = input.ConsumeRandomLengthString(maxBytes);
    WideText text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            text.push_back(byte);
        } else if (i + 2 < bytes.size()) {
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i + 1]) << 8 |
                                                 static_cast<unsigned char>(bytes[i + 2])));
            i += 2;
        }
    }
    return text;
}

WideText WithoutLoneSurrogates(WideView text) {
    WideText out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const bool high = out[i] >= 0xD800 && out[i] <= 0xDBFF;
        if (high && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF) {
            ++i;
        } else if (out[i] >= 0xD800 && out[i] <= 0xDFFF) {
            out[i] = 0xFFFD;
        }
    }
    return out;
}

}  // namespace alvena
