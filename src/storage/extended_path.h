#pragma once

#include "protocol/wide_text.h"

namespace alvena {

// The form of `path` that Windows opens exactly as written: "\\?\" + the path for a drive path,
// "\\?\UNC\" + server\share... for a network path. Windows then reads no name as a device
// (aux.x@y.es.json is a file, not the AUX port) and applies no 260-unit limit. Windows does not
// tidy such a path either, so a path it would have tidied (relative, already prefixed, with
// forward slashes, empty, "." or ".." components, or a component ending in a dot or a space) is
// given unchanged: it then names the same file as before.
[[nodiscard]] WideText ExtendedLengthPath(const WideText& path);

}  // namespace alvena
