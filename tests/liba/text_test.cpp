#include "liba/text.h"

#include <gtest/gtest.h>

TEST(Text, utf8_round_trips_including_surrogate_pairs)
{
    std::u16string text = u"Gr\u00FC\u00DFe \u266B \U0001F3B5";
    EXPECT_EQ(liba::from_utf8(liba::to_utf8(text)), text);
    EXPECT_EQ(liba::to_utf8(u"\u00E9"), "\xC3\xA9");
}

TEST(Text, invalid_utf8_is_detected_and_replaced)
{
    EXPECT_TRUE(liba::is_valid_utf8("plain ascii"));
    EXPECT_FALSE(liba::is_valid_utf8("\xC3")); // truncated sequence
    EXPECT_FALSE(liba::is_valid_utf8("\xC0\xAF")); // overlong
    EXPECT_FALSE(liba::is_valid_utf8("\xED\xA0\x80")); // encoded surrogate
    EXPECT_EQ(liba::from_utf8("a\xFF"
                              "b"),
        u"a\uFFFDb");
}

TEST(Text, eight_bit_text_is_utf8_when_valid_else_windows_1252)
{
    EXPECT_EQ(liba::from_8bit("Caf\xC3\xA9"), u"Caf\u00E9");
    EXPECT_EQ(liba::from_8bit("Caf\xE9"), u"Caf\u00E9");
    EXPECT_EQ(liba::from_8bit("\x80 \x93quoted\x94"), u"\u20AC \u201Cquoted\u201D");
}

TEST(Text, case_mapping_covers_latin1_and_cyrillic_but_not_symbols)
{
    EXPECT_EQ(liba::to_lower(u"ABC \u00C4\u00D6 \u0416 \u0401"), u"abc \u00E4\u00F6 \u0436 \u0451");
    EXPECT_EQ(liba::to_upper(u"abc \u00E4 \u0436"), u"ABC \u00C4 \u0416");
    EXPECT_EQ(liba::to_lower(u"\u00D7"), u"\u00D7"); // multiplication sign has no case
    EXPECT_EQ(liba::to_upper(u"\u00F7"), u"\u00F7");
}

TEST(Text, numbers_are_written_like_printf)
{
    EXPECT_EQ(liba::to_text(int64_t(-2147483648LL)), u"-2147483648");
    EXPECT_EQ(liba::to_text(1.5), u"1.500000");
}
