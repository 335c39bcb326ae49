#include "liba/text.h"

#include <gtest/gtest.h>

TEST(Text, utf8_with_each_invalid_byte_replaced_eight_bit_numbers_and_case_mapping)
{
    std::u16string text = u"Gr\u00FC\u00DFe \u266B \U0001F3B5";
    EXPECT_EQ(liba::from_utf8(liba::to_utf8(text)), text);
    // Lone surrogates become replacement characters; a high one ending a view pairs with nothing past it.
    EXPECT_EQ(liba::to_utf8(std::u16string {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)}),
        "a\xEF\xBF\xBD"
        "b\xEF\xBF\xBD");
    EXPECT_EQ(liba::to_utf8(std::u16string_view(u"a\U00010000", 2)), "a\xEF\xBF\xBD");
    // Eight-bit text is UTF-8 when valid, else Windows-1252, whose undefined bytes map to themselves.
    EXPECT_EQ(liba::from_8bit("Caf\xC3\xA9"), u"Caf\u00E9");
    EXPECT_EQ(liba::from_8bit("\x80 \x93q\x94\x81\x8D\x8F\x90\x9D\x9F\xFF"),
        u"\u20AC \u201Cq\u201D\u0081\u008D\u008F\u0090\u009D\u0178\u00FF");
    EXPECT_EQ(liba::to_text(int64_t(-2147483648LL)), u"-2147483648");
    EXPECT_EQ(liba::to_text(1.5), u"1.500000");
    // Every invalid UTF-8 byte becomes one replacement character.
    const std::pair<std::string, std::u16string> cases[] = {{"\xE2\x82", u"\uFFFD\uFFFD"}, // cut at the end
        {"\xC0\xAF", u"\uFFFD\uFFFD"}, {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\xC3", u"\uFFFD"}, {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // an encoded surrogate
        {"a\xFF\x62", u"a\uFFFDb"}}; // \x62: "b"
    EXPECT_TRUE(liba::is_valid_utf8("plain ascii"));
    for (const auto& [bytes, text] : cases) {
        EXPECT_FALSE(liba::is_valid_utf8(bytes)) << testing::PrintToString(bytes);
        EXPECT_EQ(liba::from_utf8(bytes), text) << testing::PrintToString(bytes);
    }

    // Case mapping covers Latin-1, Greek and Cyrillic, but not symbols.
    EXPECT_EQ(
        liba::to_lower(u"ABC \u00C4\u00D6 \u0416 \u0401 \u00D7"), u"abc \u00E4\u00F6 \u0436 \u0451 \u00D7");
    EXPECT_EQ(liba::to_upper(u"abc \u00E4 \u0436 \u00F7"), u"ABC \u00C4 \u0416 \u00F7");
    // The unassigned capital slot U+03A2 stays.
    EXPECT_EQ(liba::to_lower(u"\u0391\u03A9\u03A2"), u"\u03B1\u03C9\u03A2");
    EXPECT_EQ(liba::to_upper(u"\u03B1\u03C9"), u"\u0391\u03A9");
}
