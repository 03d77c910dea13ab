#pragma once

#include <vector>

#include "protocol/wide_text.h"

namespace alvena {

// A text value as it stands between the quotes of a request body: UTF-8, JSON-escaped.
[[nodiscard]] Utf8Text EscapedValue(const WideText& text);

// The orientation of a laboratory or record reply: `orientacion`, else `analisis`, else
// "Sin orientación.".
[[nodiscard]] Utf8Text ReplyOrientation(Utf8View reply);

// Appends "\n\n" + heading and one "\n- " line per item; nothing at all for an empty list.
void AppendListBlock(Utf8Text& text, Utf8View heading, const std::vector<Utf8Text>& items);

}  // namespace alvena
