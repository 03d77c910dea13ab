#include "app/email_check.h"

#include <gtest/gtest.h>

namespace alvena {
namespace {

struct EmailCase {
    const char* name;
    WideText input;
};

TEST(IsValidEmailTest, Refuses) {
    const EmailCase cases[] = {
        {"empty", u""},
        {"only blanks", u" \t \u00A0 "},
        {"at sign first", u"@b.c"},
        {"at sign first after blanks", u"  @b.c"},
        {"at sign last", u"a@"},
        {"at sign alone", u"@"},
        {"no at sign", u"ab.c"},
        {"no full stop after at sign", u"a@bc"},
        {"full stop only before at sign", u"a.b@cd"},
        {"second at sign has the full stop only before it", u"a@b@c"},
        {"first at sign first, a later one well placed", u"@a@b.c"},
        {"first full stop after at sign is last", u"a@b."},
        {"full stop right after at sign is last", u"a@."},
        {"blank inside", u"a b@c.d"},
        {"tab inside", u"a@b\t.c"},
        {"comma inside", u"a,b@c.d"},
        {"quotation mark inside", u"\"a\"@b.c"},
        {"apostrophe inside", u"o'neil@b.c"},
        {"em dash inside", u"a\u2014@b.c"},
        {"non-breaking space inside", u"a\u00A0b@c.d"},
        {"ideographic space inside", u"a@b\u3000.c"},
        {"semicolon", u"a@b.c;"},
        {"angle brackets", u"<a@b.c>"},
        {"nul inside", WideText(u"a@b.c") + WideText(1, u'\0') + u"d"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(IsValidEmail(c.input)) << c.name;
    }
}

TEST(IsValidEmailTest, Accepts) {
    const EmailCase cases[] = {
        {"plain", u"a@b.c"},
        {"capitals", u"Ana.Perez@Correo.ES"},
        {"full stop right after at sign", u"a@.b"},
        {"two at signs, first well placed", u"a@b@c.d"},
        {"second at sign after the full stop", u"a@b.c@d"},
        {"ends in full stop after an earlier one", u"a@b.c."},
        {"allowed signs anywhere", u"+a-b_c.d@-e_f+g.h-"},
        {"full stop first", u".a@b.c"},
        {"digits", u"123@456.78"},
        {"accented letters", u"josé.núñez@clínica.es"},
        {"surrounding blanks", u"  a@b.c \t\r\n"},
        {"surrounding non-breaking spaces", u"\u00A0a@b.c\u00A0"},
        {"cyrillic", u"почта@пример.рф"},
        {"cjk", u"用户@例子.中国"},
        {"latin-1 superscript and ordinal", u"n\u00BA\u00B2@b.c"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(IsValidEmail(c.input)) << c.name;
    }
}

}  // namespace
}  // namespace alvena
