#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace alvena {

// What the speech engine says of one installed voice.
struct VoiceDescription {
    std::vector<std::uint16_t> languages;  // language ids, as in the voice's Language attribute
    bool isDefault = false;                // the voice the engine speaks with unless told
};

// The language ids of a Language attribute: hexadecimal ids separated by semicolons ("409;9",
// "C0A"); pieces that are not a 16-bit hexadecimal number are skipped.
[[nodiscard]] std::vector<std::uint16_t> ParseVoiceLanguages(std::u16string_view attribute);

// The answers are Spanish: the voice to speak them with instead of the default, when the default
// voice is not Spanish and a Spanish one is installed. A Spanish voice of the user's own variant
// (es-MX for a Mexican locale) comes first, then the first Spanish voice. Nothing, to keep the
// default, when it is Spanish itself, when no voice is Spanish, or when the default or its language
// is not known.
[[nodiscard]] std::optional<std::size_t> ChooseVoiceForSpanish(
    const std::vector<VoiceDescription>& voices, std::uint16_t userLanguage);

}  // namespace alvena
