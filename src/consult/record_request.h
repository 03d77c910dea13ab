#pragma once

#include <vector>

#include "consult/consult_result.h"
#include "protocol/https_transport.h"
#include "protocol/wide_text.h"

namespace alvena {

inline constexpr const char16_t* kRecordPath = u"/api/expediente/analizar";

// The request body. The parameters come in the record page's order; the body has its own.
[[nodiscard]] Utf8Text BuildRecordBody(const WideText& reason, const WideText& role,
                                       const WideText& age, const WideText& sex,
                                       const WideText& allergies, const WideText& chronic,
                                       const WideText& vitalSigns, const WideText& examination,
                                       const WideText& medication, const WideText& freeText,
                                       const WideText& mode);

// Posts a clinical record. Transport failures pass out as the runtime errors of `post`.
[[nodiscard]] ConsultResult RunRecordConsult(const WideText& reason, const WideText& role,
                                             const WideText& age, const WideText& sex,
                                             const WideText& allergies, const WideText& chronic,
                                             const WideText& vitalSigns,
                                             const WideText& examination,
                                             const WideText& medication, const WideText& freeText,
                                             const WideText& mode, const PostJsonFn& post);

// The reply's diagnoses, in order. The service gives each one either as a string or as an object
// with a `diagnostico` string; other members, and objects without a usable one, are left out.
[[nodiscard]] std::vector<Utf8Text> JsonGetDiagnoses(Utf8View replyBody);

}  // namespace alvena
