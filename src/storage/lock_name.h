#pragma once

#include "protocol/wide_text.h"

namespace alvena {

// The name of the system-wide object that guards saves of `path`: every copy of the program in
// the session derives the same name from the same path. Object names are short and hold no
// backslash, so a hash of the path stands for it; ASCII case is folded as the file system folds
// it. Two paths sharing a hash merely take turns.
[[nodiscard]] WideText SaveLockName(const WideText& path);

}  // namespace alvena
