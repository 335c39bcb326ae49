#include "liba/memory_reader.h"

#include <gtest/gtest.h>

TEST(MemoryReader, moves_like_a_file_opened_for_reading)
{
    liba::MemoryReader reader("abcdef", 6);
    char buffer[8] = {};
    EXPECT_EQ(reader.read(buffer, 4), 4u);
    EXPECT_EQ(reader.read(buffer, 4), 2u); // stops at the end
    EXPECT_EQ(std::string(buffer, 2), "ef");
    EXPECT_EQ(reader.skip(-7), 0); // before the start: refused, position kept
    EXPECT_EQ(reader.skip(-6), -6);
    EXPECT_EQ(reader.skip(10), 10); // past the end is allowed, reads there give nothing
    EXPECT_EQ(reader.read(buffer, 1), 0u);
    EXPECT_TRUE(reader.seek(0xFFFFFFFFu));
    EXPECT_EQ(reader.skip(1), 0);

    reader.add_error(u"broken");
    EXPECT_FALSE(reader.seek(0));
    EXPECT_EQ(reader.read(buffer, 1), 0u);
    EXPECT_EQ(reader.size(), 0u);
}
