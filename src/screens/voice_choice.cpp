#include "screens/voice_choice.h"

#include <algorithm>

namespace alvena {
namespace {

constexpr std::uint16_t kPrimaryLanguageMask = 0x3FF;
constexpr std::uint16_t kSpanish = 0x0A;

[[nodiscard]] bool IsSpanish(std::uint16_t language) {
    return (language & kPrimaryLanguageMask) == kSpanish;
}

[[nodiscard]] bool SpeaksSpanish(const VoiceDescription& voice) {
    return std::any_of(voice.languages.begin(), voice.languages.end(), IsSpanish);
}

[[nodiscard]] std::optional<std::uint16_t> ParseHexId(std::u16string_view text) {
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char16_t c : text) {
        unsigned digit = 0;
        if (c >= u'0' && c <= u'9') {
            digit = c - u'0';
        } else if (c >= u'a' && c <= u'f') {
            digit = c - u'a' + 10;
        } else if (c >= u'A' && c <= u'F') {
            digit = c - u'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return static_cast<std::uint16_t>(value);
}

[[nodiscard]] std::u16string_view TrimSpaces(std::u16string_view text) {
    while (!text.empty() && text.front() == u' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == u' ') {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::vector<std::uint16_t> ParseVoiceLanguages(std::u16string_view attribute) {
    std::vector<std::uint16_t> languages;
    while (!attribute.empty()) {
        const std::size_t end = std::min(attribute.find(u';'), attribute.size());
        if (const std::optional<std::uint16_t> id =
                ParseHexId(TrimSpaces(attribute.substr(0, end)))) {
            languages.push_back(*id);
        }
        attribute.remove_prefix(std::min(end + 1, attribute.size()));
    }
    return languages;
}

std::optional<std::size_t> ChooseVoiceForSpanish(const std::vector<VoiceDescription>& voices,
                                                 std::uint16_t userLanguage) {
    const auto isDefault = [](const VoiceDescription& voice) { return voice.isDefault; };
    const auto defaultVoice = std::find_if(voices.begin(), voices.end(), isDefault);
    // A default whose language is not known is left alone as well.
    if (defaultVoice == voices.end() || defaultVoice->languages.empty() ||
        SpeaksSpanish(*defaultVoice)) {
        return std::nullopt;
    }
    const auto ownVariant = [userLanguage](const VoiceDescription& voice) {
        return IsSpanish(userLanguage) && std::find(voice.languages.begin(), voice.languages.end(),
                                                    userLanguage) != voice.languages.end();
    };
    auto chosen = std::find_if(voices.begin(), voices.end(), ownVariant);
    if (chosen == voices.end()) {
        chosen = std::find_if(voices.begin(), voices.end(), SpeaksSpanish);
    }
    if (chosen == voices.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(chosen - voices.begin());
}

}  // namespace alvena
