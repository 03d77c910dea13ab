#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "protocol/wide_text.h"

namespace alvena {

// A JSON value as a strict reader sees it, to check what the program writes.
struct JsonValue {
    enum class Kind { kNull, kFalse, kTrue, kNumber, kString, kArray, kObject };

    Kind kind = Kind::kNull;
    WideText text;                 // a string's characters, a number's literal
    std::vector<JsonValue> items;  // an array's elements
    std::vector<std::pair<WideText, JsonValue>> members;  // an object's members, in order

    bool operator==(const JsonValue&) const = default;
};

using JsonMembers = std::vector<std::pair<WideText, JsonValue>>;

[[nodiscard]] JsonValue MakeString(WideText text);
[[nodiscard]] JsonValue MakeNumber(WideText literal);
[[nodiscard]] JsonValue MakeArray(std::vector<JsonValue> items);
[[nodiscard]] JsonValue MakeObject(JsonMembers members);

// The UTF-16 form of well-formed UTF-8 (no over-long form, encoded surrogate or code point above
// U+10FFFF); nullopt for anything else.
[[nodiscard]] std::optional<WideText> DecodeStrictUtf8(Utf8View text);

// The value of a whole JSON text read by RFC 8259 without leniency: well-formed UTF-8, no raw
// control characters in strings, only the standard escapes, escaped surrogates only in pairs,
// nothing but white space after the value. nullopt when any rule is broken.
[[nodiscard]] std::optional<JsonValue> ParseStrictJson(Utf8View text);

}  // namespace alvena
