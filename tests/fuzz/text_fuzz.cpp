// The input read both as UTF-8 and as UTF-16 code units: the conversions agree with a strict
// decoder and replace only what is malformed; trimming and the email and file keys keep their
// shape.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "protocol/trim.h"
#include "protocol/utf8.h"
#include "storage/email_key.h"
#include "tests/fuzz/support/fuzz_input.h"
#include "tests/fuzz/support/strict_json.h"

namespace alvena {
namespace {

void CheckUtf8ToWide(Utf8View bytes) {
    const WideText wide = Utf8ToWide(bytes);
    FUZZ_CHECK(WithoutLoneSurrogates(wide) == wide);
    if (const std::optional<WideText> strict = DecodeStrictUtf8(bytes)) {
        FUZZ_CHECK(wide == *strict);
    } else {
        FUZZ_CHECK(wide.find(u'\uFFFD') != WideText::npos);
    }
}

void CheckWideToUtf8(WideView units) {
    FUZZ_CHECK(DecodeStrictUtf8(WideToUtf8(units)) == WithoutLoneSurrogates(units));
}

void CheckTrimAndKeys(WideView units) {
    const WideText trimmed = Trim(units);
    std::size_t lead = 0;
    while (lead < units.size() && IsTrimSpace(units[lead])) {
        ++lead;
    }
    FUZZ_CHECK(units.substr(lead, trimmed.size()) == trimmed);
    for (const char16_t unit : units.substr(lead + trimmed.size())) {
        FUZZ_CHECK(IsTrimSpace(unit));
    }
    FUZZ_CHECK(trimmed.empty() || !IsTrimSpace(trimmed.back()));

    const WideText key = EmailKey(units);
    FUZZ_CHECK(key.size() == trimmed.size() && EmailKey(key) == key);
    FUZZ_CHECK(key.find_first_of(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ") == WideText::npos);
    const WideText fileKey = FileKey(units);
    FUZZ_CHECK(fileKey.size() == key.size());
    for (std::size_t i = 0; i < key.size(); ++i) {
        FUZZ_CHECK(IsFileKeyUnit(fileKey[i]) && (fileKey[i] == key[i] || fileKey[i] == u'_'));
    }
}

}  // namespace
}  // namespace alvena

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace alvena;
    CheckUtf8ToWide(Utf8View(reinterpret_cast<const char*>(data), size));

    WideText units;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    }
    CheckWideToUtf8(units);
    CheckTrimAndKeys(units);
    return 0;
}
