#include "screens/voice_choice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace alvena {
namespace {

TEST(VoiceChoice, ReadsTheLanguageIdsOfTheLanguageAttribute) {
    const struct {
        const char16_t* attribute;
        std::vector<std::uint16_t> expected;
    } cases[] = {
        {u"409", {0x409}},
        {u"80a;c0a;A", {0x80A, 0xC0A, 0x00A}},
        {u"409; 9 ;", {0x409, 0x009}},
        {u"", {}},
        // Names, ids wider than 16 bits and prefixed ids are not language ids.
        {u"es-MX;10C0A;0x80A;C0A", {0xC0A}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseVoiceLanguages(c.attribute), c.expected) << std::string(
            c.attribute, c.attribute + std::char_traits<char16_t>::length(c.attribute));
    }
}

constexpr std::uint16_t kEnglishUs = 0x409;
constexpr std::uint16_t kSpanishSpain = 0xC0A;
constexpr std::uint16_t kSpanishMexico = 0x80A;
constexpr std::uint16_t kSpanishUs = 0x540A;
constexpr std::uint16_t kFrench = 0x40C;

VoiceDescription Voice(std::vector<std::uint16_t> languages, bool isDefault = false) {
    return VoiceDescription{std::move(languages), isDefault};
}

TEST(VoiceChoice, ASpanishVoiceReplacesADefaultThatIsNotSpanish) {
    const struct {
        const char* name;
        std::vector<VoiceDescription> voices;
        std::uint16_t userLanguage;
        std::optional<std::size_t> expected;
    } cases[] = {
        {"English default, one Spanish voice",
         {Voice({kEnglishUs}, true), Voice({kSpanishSpain})},
         kEnglishUs,
         1},
        {"the user's own variant first, also among other languages of a voice",
         {Voice({kSpanishSpain}), Voice({kEnglishUs}, true), Voice({kSpanishUs, kSpanishMexico})},
         kSpanishMexico,
         2},
        {"no voice of the variant: the first Spanish one",
         {Voice({kFrench}), Voice({kSpanishMexico}), Voice({kEnglishUs}, true),
          Voice({kSpanishSpain})},
         kSpanishUs,
         1},
        {"a locale that is not Spanish never picks by variant; a neutral id is Spanish",
         {Voice({kEnglishUs}, true), Voice({kEnglishUs}), Voice({0x000A})},
         kEnglishUs,
         2},
        // Kept as today.
        {"Spanish default stays",
         {Voice({kEnglishUs, kSpanishUs}, true), Voice({kSpanishSpain})},
         kSpanishSpain,
         std::nullopt},
        {"no Spanish voice",
         {Voice({kEnglishUs}, true), Voice({kFrench})},
         kSpanishSpain,
         std::nullopt},
        {"no default among the voices",
         {Voice({kEnglishUs}), Voice({kSpanishSpain})},
         kSpanishSpain,
         std::nullopt},
        {"a default of unknown language",
         {Voice({}, true), Voice({kSpanishSpain})},
         kSpanishSpain,
         std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseVoiceForSpanish(c.voices, c.userLanguage), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace alvena
