#pragma once

#include "protocol/wide_text.h"

namespace alvena {

// Accepts "local@domain.tld"-like text: after trimming, an at sign that is neither first nor
// last, a full stop after it that is not last, and only letters, digits and + - . @ _.
// Letters and digits come from fixed tables, not from the C locale.
[[nodiscard]] bool IsValidEmail(WideView text);

}  // namespace alvena
