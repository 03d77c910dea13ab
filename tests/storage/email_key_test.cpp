#include "storage/email_key.h"

#include <gtest/gtest.h>

#include "protocol/utf8.h"

namespace alvena {
namespace {

struct TextCase {
    WideText input;
    WideText expected;
};

TEST(LowerCaseTest, LowersAsciiCapitalsOnly) {
    const TextCase cases[] = {
        {u"", u""},
        {u"ANA@EJEMPLO.ES", u"ana@ejemplo.es"},
        {u"@AZ[`az{", u"@az[`az{"},  // the neighbours of A-Z and a-z stay
        {u"ÉÑÜ", u"ÉÑÜ"},
        {u"José ÁLVAREZ", u"josé Álvarez"},
        {u"ΑΩ", u"ΑΩ"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LowerCase(c.input), c.expected) << WideToUtf8(c.input);
    }
}

TEST(EmailKeyTest, TrimsThenLowersAscii) {
    const TextCase cases[] = {
        {u"  Ana.Perez@Ejemplo.ES \r\n", u"ana.perez@ejemplo.es"},
        {u"\u00A0JOSÉ@X.MX\u3000", u"josÉ@x.mx"},
        {u"a b@c", u"a b@c"},
        {u" \t ", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EmailKey(c.input), c.expected) << WideToUtf8(c.input);
    }
}

struct UnitCase {
    char16_t unit;
    bool allowed;
};

TEST(FileKeyTest, KeepsLettersDigitsAndFiveMarksOnly) {
    const UnitCase cases[] = {
        {u'+', true},    {u'-', true},    {u'.', true},    {u'@', true},    {u'_', true},
        {u'0', true},    {u'9', true},    {u'a', true},    {u'z', true},    {u'A', true},
        {u'Z', true},    {u'/', false},   {u'\\', false},  {u':', false},   {u' ', false},
        {u'*', false},   {u'?', false},   {u'"', false},   {u'<', false},   {u'|', false},
        {u',', false},   {u'`', false},   {u'{', false},   {u'~', false},   {0x7F, false},
        {0x00, false},   {0xA0, false},   {0xA9, false},   {0xAA, true},    {0xAB, false},
        {0xB1, false},   {0xB2, true},    {0xB3, true},    {0xB4, false},   {0xB5, true},
        {0xB6, false},   {0xB7, false},   {0xB8, false},   {0xB9, true},    {0xBA, true},
        {0xBB, false},   {0xBF, false},   {0xC0, true},    {0xD1, true},    {0xD6, true},
        {0xD7, false},   {0xD8, true},    {0xE9, true},    {0xF1, true},    {0xF6, true},
        {0xF7, false},   {0xF8, true},    {0xFF, true},    {0x100, true},   {0x3A9, true},
        {0x0660, true},  {0x4E2D, true},  {0x2000, false}, {0x2603, false}, {0x20AC, false},
        {0xD83D, false}, {0xDE00, false}, {0xFFFD, false}, {0xFF10, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsFileKeyUnit(c.unit), c.allowed) << "U+" << std::hex << int{c.unit};
    }
}

TEST(FileKeyTest, ReplacesEachDisallowedUnitByOneLowLine) {
    const TextCase cases[] = {
        {u" Ana.Pérez+tag@Ejemplo.es ", u"ana.pérez+tag@ejemplo.es"},
        {u"a/b c@d", u"a_b_c@d"},
        {u"..\\..\\x", u".._.._x"},
        {u"ñandú@中文.cn", u"ñandú@中文.cn"},
        {u"a\U0001F600b", u"a__b"},  // both halves of the pair
        {u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileKey(c.input), c.expected) << WideToUtf8(c.input);
    }
}

}  // namespace
}  // namespace alvena
