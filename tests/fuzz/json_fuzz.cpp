// The JSON readers on any reply text and any key: nothing read out of bounds, no empty list
// item, and every byte string escaped by the writer reads back unchanged.
#include <cstddef>
#include <cstdint>

#include "consult/record_request.h"
#include "protocol/json_text.h"
#include "tests/fuzz/support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace alvena;
    FuzzedDataProvider input(data, size);
    const Utf8Text key = input.ConsumeRandomLengthString(24);
    const Utf8Text text = input.ConsumeRemainingBytesAsString();

    const std::size_t index = JsonFindValue(text, key);
    if (index != kJsonNone) {
        FUZZ_CHECK(index <= text.size() && text[index - 1] == ':');
        FUZZ_CHECK(text.find('"' + key + '"') < index);
        static_cast<void>(JsonReadString(text, index));
    }
    static_cast<void>(JsonReadString(text, 0));
    static_cast<void>(JsonGetString(text, key, ""));
    for (const Utf8Text& item : JsonGetStringArray(text, key)) {
        FUZZ_CHECK(!item.empty());
    }
    for (const Utf8Text& diagnosis : JsonGetDiagnoses(text)) {
        FUZZ_CHECK(!diagnosis.empty());
    }
    FUZZ_CHECK(JsonReadString('"' + JsonEscape(text) + '"', 0) == text);
    return 0;
}
