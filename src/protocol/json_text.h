#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "protocol/wide_text.h"

namespace alvena {

// Byte index into a UTF-8 text; kJsonNone marks a failed search.
inline constexpr std::size_t kJsonNone = static_cast<std::size_t>(-1);

// Escapes UTF-8 text to stand between the quotes of a JSON string. Non-ASCII bytes go out raw.
[[nodiscard]] Utf8Text JsonEscape(Utf8View text);

// Index just after the colon of the first `"key"` followed (after JSON white space) by a colon,
// or kJsonNone. Knows nothing of nesting: the first such occurrence in text order wins.
[[nodiscard]] std::size_t JsonFindValue(Utf8View text, Utf8View key);

// Unescaped content of the JSON string that starts at `index` (after white space); empty text
// when there is no string there. An unterminated string runs to the end of the text.
[[nodiscard]] Utf8Text JsonReadString(Utf8View text, std::size_t index);

// The key's string value when it is a non-empty string, else `fallback`.
[[nodiscard]] Utf8Text JsonGetString(Utf8View text, Utf8View key, Utf8View fallback);

// The non-empty string elements of the key's array, in order; objects are skipped whole.
[[nodiscard]] std::vector<Utf8Text> JsonGetStringArray(Utf8View text, Utf8View key);

// The element walk over the key's array, shared by the readers of its different shapes: each
// string element is given by the index of its opening quote, each object as its own text (from
// its brace to its end); anything else is stepped over byte by byte, so a nested array's strings
// count as elements and its closing bracket ends the walk.
using JsonElementVisitor = std::function<void(std::size_t stringIndex)>;
using JsonObjectVisitor = std::function<void(Utf8View objectText)>;
void WalkJsonArray(Utf8View text, Utf8View key, const JsonElementVisitor& onString,
                   const JsonObjectVisitor& onObject);

// Building blocks of the element walk, shared with readers of other list shapes.
[[nodiscard]] bool IsJsonWhiteSpace(unsigned char byte);
[[nodiscard]] std::size_t SkipJsonWhiteSpace(Utf8View text, std::size_t index);
// `index` is at an opening quote; returns the index just after its closing quote (or the end).
[[nodiscard]] std::size_t SkipJsonString(Utf8View text, std::size_t index);
// `index` is at an opening brace; returns the index just after the brace that closes it, or
// kJsonNone when the text ends first. Braces inside strings, escaped quotes included, do not
// count. What an unterminated object means is each reader's own rule.
[[nodiscard]] std::size_t FindJsonObjectEnd(Utf8View text, std::size_t index);

}  // namespace alvena
