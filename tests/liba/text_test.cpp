#include "liba/text.h"

#include <gtest/gtest.h>

TEST(Text, utf8_round_trips_including_surrogate_pairs)
{
    std::u16string text = u"Gr\u00FC\u00DFe \u266B \U0001F3B5";
    EXPECT_EQ(liba::from_utf8(liba::to_utf8(text)), text);
    EXPECT_EQ(liba::to_utf8(u"\u00E9"), "\xC3\xA9");
    // Lone surrogates become replacement characters.
    std::u16string lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
    // A high surrogate ending a view pairs with nothing past the view.
    EXPECT_EQ(liba::to_utf8(std::u16string_view(u"a\U00010000", 2)), "a\xEF\xBF\xBD");
    EXPECT_EQ(liba::to_utf8(lone),
        "a\xEF\xBF\xBD"
        "b\xEF\xBF\xBD");
}

TEST(Text, eight_bit_text_is_utf8_when_valid_else_windows_1252)
{
    EXPECT_EQ(liba::from_8bit("Caf\xC3\xA9"), u"Caf\u00E9");
    EXPECT_EQ(liba::from_8bit("\x80 \x93quoted\x94"), u"\u20AC \u201Cquoted\u201D");
    // Bytes Windows-1252 leaves undefined map to themselves.
    EXPECT_EQ(liba::from_8bit("\x81\x8D\x8F\x90\x9D\x9F\xFF"), u"\u0081\u008D\u008F\u0090\u009D\u0178\u00FF");
}

TEST(Text, case_mapping_covers_latin1_greek_and_cyrillic_but_not_symbols)
{
    EXPECT_EQ(liba::to_lower(u"ABC \u00C4\u00D6 \u0416 \u0401"), u"abc \u00E4\u00F6 \u0436 \u0451");
    EXPECT_EQ(liba::to_upper(u"abc \u00E4 \u0436"), u"ABC \u00C4 \u0416");
    EXPECT_EQ(liba::to_lower(u"\u00D7"), u"\u00D7"); // multiplication and division signs have no case
    EXPECT_EQ(liba::to_upper(u"\u00F7"), u"\u00F7");
    // The unassigned capital slot U+03A2 stays.
    EXPECT_EQ(liba::to_lower(u"\u0391\u03A9\u03A2"), u"\u03B1\u03C9\u03A2");
    EXPECT_EQ(liba::to_upper(u"\u03B1\u03C9"), u"\u0391\u03A9");
}

TEST(Text, numbers_are_written_like_printf)
{
    EXPECT_EQ(liba::to_text(int64_t(-2147483648LL)), u"-2147483648");
    EXPECT_EQ(liba::to_text(1.5), u"1.500000");
}

TEST(Text, every_invalid_utf8_byte_becomes_one_replacement_character)
{
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {{"\xE2\x82", u"\uFFFD\uFFFD"}, // cut at the very end
        {"\xC0\xAF", u"\uFFFD\uFFFD"}, {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\xC3", u"\uFFFD"}, // a truncated sequence
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // an encoded surrogate
        {"a\xFF"
         "b",
            u"a\uFFFDb"}};
    EXPECT_TRUE(liba::is_valid_utf8("plain ascii"));
    for (const Case& c : cases) {
        EXPECT_FALSE(liba::is_valid_utf8(c.bytes)) << testing::PrintToString(c.bytes);
        EXPECT_EQ(liba::from_utf8(c.bytes), c.text) << testing::PrintToString(c.bytes);
    }
}
