#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <fuzzer/FuzzedDataProvider.h>

#include "protocol/wide_text.h"

// Ends the run on a broken property; libFuzzer then keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace alvena {

// UTF-16 text from up to `maxBytes` input bytes: a byte below 0x80 is that character, any other
// takes the next two bytes as one code unit, high byte first. So quotes, backslashes and control
// characters cost one byte, and lone surrogates, U+2028 and the rest are all within reach.
[[nodiscard]] WideText ConsumeWide(FuzzedDataProvider& input, std::size_t maxBytes);

// The text as it reads back after a trip through UTF-8: each unpaired surrogate is U+FFFD.
[[nodiscard]] WideText WithoutLoneSurrogates(WideView text);

}  // namespace alvena
