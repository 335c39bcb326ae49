#include "os/text_ostream_file.h"

#include "support/test_support.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(TextOStreamFile, writes_the_mark_then_each_unit_little_endian)
{
    test::TempDir dir;
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
}

TEST(TextOStreamFile, replaces_an_existing_file)
{
    test::TempDir dir;
    test::write_file(dir.native("a.txt"), test::Bytes(100, 'x'));
    {
        os::TextOStreamFile out(dir.file("a.txt"));
        out << u"z";
    }
    EXPECT_EQ(test::read_file(dir.native("a.txt")), (test::Bytes {0xFF, 0xFE, 'z', 0}));
}

TEST(TextOStreamFile, unwritable_place_drops_everything_quietly)
{
    test::TempDir dir;
    os::TextOStreamFile out(dir.file("missing/a.txt"));
    EXPECT_FALSE(out.good());
    out << u"lost";
    out.flush();
    EXPECT_FALSE(std::filesystem::exists(dir.native("missing")));
}

TEST(TextOStreamFileConcurrency, log_stream_keeps_each_write_whole)
{
    test::TempDir dir;
    {
        os::Log out(dir.file("log.txt"));
        std::vector<std::thread> threads;
        for (char16_t letter : {u'a', u'b', u'c'}) {
            threads.emplace_back([&out, letter] {
                std::u16string line(63, letter);
                line += u'\n';
                for (int i = 0; i < 300; ++i)
                    out << line;
            });
        }
        for (std::thread& thread : threads)
            thread.join();
    }
    test::Bytes bytes = test::read_file(dir.native("log.txt"));
    ASSERT_EQ(bytes.size(), 2u + 3 * 300 * 64 * 2);
    for (size_t line = 0; line < 3 * 300; ++line) {
        size_t start = 2 + line * 128;
        uint8_t letter = bytes[start];
        for (size_t k = 0; k < 63; ++k)
            ASSERT_EQ(bytes[start + 2 * k], letter) << "line " << line << " torn";
        ASSERT_EQ(bytes[start + 126], '\n');
    }
}
