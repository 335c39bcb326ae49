#include "os/text_ostream_file.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

TEST(TextOStreamFile, replaces_the_file_with_the_mark_then_each_unit_little_endian)
{
    test::TempDir dir;
    test::write_file(dir.native("a.txt"), test::Bytes(100, 'x'));
    {
        os::TextOStreamFile out(dir.file("a.txt"));
        ASSERT_TRUE(out.good());
        out << u"A\u00e9\u20ac" << 12 << u"\n";
        out << std::u16string(u"\U0001F3B5");
        out.flush();
    }
    EXPECT_EQ(test::read_file(dir.native("a.txt")),
        (test::Bytes {
            0xFF, 0xFE, 'A', 0, 0xE9, 0, 0xAC, 0x20, '1', 0, '2', 0, '\n', 0, 0x3C, 0xD8, 0xB5, 0xDF}));
    os::TextOStreamFile lost(dir.file("missing/a.txt")); // an unwritable place drops everything quietly
    EXPECT_FALSE(lost.good());
    lost << u"lost";
    lost.flush();
    EXPECT_FALSE(std::filesystem::exists(dir.native("missing")));
}
