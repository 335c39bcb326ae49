#include "liba/memory_reader.h"

#include <gtest/gtest.h>

namespace {

std::string read_text(liba::MemoryReader& reader, uint32_t count)
{
    std::string out(count, '\0');
    out.resize(reader.read(out.data(), count));
    return out;
}

} // namespace

TEST(MemoryReader, reads_stop_at_the_end)
{
    liba::MemoryReader reader("abcdef", 6);
    EXPECT_EQ(reader.size(), 6u);
    EXPECT_EQ(read_text(reader, 4), "abcd");
    EXPECT_EQ(read_text(reader, 4), "ef");
    EXPECT_EQ(read_text(reader, 4), "");
    EXPECT_EQ(reader.tell(), 6u);
}

TEST(MemoryReader, seek_and_skip_move_like_a_file)
{
    liba::MemoryReader reader(std::vector<uint8_t> {'a', 'b', 'c', 'd'});
    EXPECT_TRUE(reader.seek(2));
    EXPECT_EQ(read_text(reader, 1), "c");
    EXPECT_EQ(reader.skip(-3), -3);
    EXPECT_EQ(read_text(reader, 1), "a");
    EXPECT_EQ(reader.skip(-2), 0); // before the start: refused, position kept
    EXPECT_EQ(reader.tell(), 1u);
    EXPECT_EQ(reader.skip(10), 10); // past the end is allowed, reads there give nothing
    EXPECT_EQ(reader.tell(), 11u);
    EXPECT_EQ(read_text(reader, 1), "");
    EXPECT_TRUE(reader.seek(0xFFFFFFFFu));
    EXPECT_EQ(reader.skip(1), 0);
    EXPECT_EQ(read_text(reader, 1), "");
}

TEST(MemoryReader, failed_reader_does_nothing)
{
    liba::MemoryReader reader("abc", 3);
    reader.add_error(u"broken");
    EXPECT_FALSE(reader.good());
    EXPECT_EQ(read_text(reader, 3), "");
    EXPECT_EQ(reader.size(), 0u);
    EXPECT_FALSE(reader.seek(1));
    EXPECT_EQ(reader.skip(1), 0);
}
