#pragma once

#include "consult/consult_result.h"
#include "protocol/https_transport.h"
#include "protocol/wide_text.h"

namespace alvena {

inline constexpr const char16_t* kLabPath = u"/api/laboratorio/analizar";

// The request body. Every value travels as a JSON string, the age too, and empty inputs as "".
[[nodiscard]] Utf8Text BuildLabBody(const WideText& labText, const WideText& age,
                                    const WideText& sex, const WideText& symptoms,
                                    const WideText& mode);

// Posts pasted laboratory results. Transport failures pass out as the runtime errors of `post`.
[[nodiscard]] ConsultResult RunLabConsult(const WideText& labText, const WideText& age,
                                          const WideText& sex, const WideText& symptoms,
                                          const WideText& mode, const PostJsonFn& post);

}  // namespace alvena
