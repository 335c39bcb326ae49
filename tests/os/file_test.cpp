#include "os/file.h"

#include "liba/text.h"
#include "os/path.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

void expect_inert(os::File& file)
{
    uint8_t buffer[4] = {};
    EXPECT_FALSE(file.good());
    EXPECT_EQ(file.read(buffer, 4), 0u);
    EXPECT_EQ(file.write(buffer, 4), 0u);
    EXPECT_EQ(file.skip(2), 0);
    EXPECT_EQ(file.size(), 0u);
    EXPECT_FALSE(file.seek(1));
    EXPECT_EQ(file.tell(), 0u);
    file.flush();
}

} // namespace

TEST(File, a_missing_file_for_read_or_a_folder_is_not_good_and_every_operation_gives_nothing)
{
    test::TempDir dir;
    os::File file(dir.file("missing.wav"), os::FileMode::Read);
    ASSERT_EQ(file.errors(), std::vector<std::u16string> {u"can't open file"});
    expect_inert(file);
    for (os::FileMode mode : {os::FileMode::Read, os::FileMode::Append, os::FileMode::ReadWrite}) {
        os::File folder(dir.file(""), mode);
        expect_inert(folder);
    }
    EXPECT_FALSE(os::open_file(dir.file("none"), os::FileMode::Read)->good());
}

TEST(File, missing_file_for_append_is_created_and_written_from_offset_0)
{
    test::TempDir dir;
    {
        os::File file(dir.file("new.txt"), os::FileMode::Append);
        ASSERT_TRUE(file.good());
        EXPECT_EQ(file.write("abc", 3), 3u);
    }
    {
        os::File file(dir.file("new.txt"), os::FileMode::Append);
        EXPECT_EQ(file.tell(), 3u) << "append starts at the end";
        EXPECT_EQ(file.write("de", 2), 2u);
    }
    EXPECT_EQ(test::read_file(dir.native("new.txt")), (test::Bytes {'a', 'b', 'c', 'd', 'e'}));
}

TEST(File, write_mode_truncates_and_read_mode_cannot_write)
{
    test::TempDir dir;
    test::write_file(dir.native("f"), test::Bytes(10, 7));
    {
        os::File file(dir.file("f"), os::FileMode::Write);
        EXPECT_EQ(file.size(), 0u);
        EXPECT_EQ(file.write("xy", 2), 2u);
        uint8_t byte = 0;
        file.seek(0);
        EXPECT_EQ(file.read(&byte, 1), 0u) << "write mode has no read access";
    }
    os::File file(dir.file("f"), os::FileMode::Read);
    EXPECT_EQ(file.size(), 2u);
    EXPECT_EQ(file.write("zz", 2), 0u);
    EXPECT_TRUE(file.good()) << "a refused write is no open failure";
    EXPECT_EQ(test::read_file(dir.native("f")), (test::Bytes {'x', 'y'}));
}

TEST(File, read_write_mode_creates_keeps_and_reads_back)
{
    test::TempDir dir;
    {
        os::File file(dir.file("rw"), static_cast<os::FileMode>(7));
        ASSERT_TRUE(file.good()) << "any other mode value acts as read-write";
        EXPECT_EQ(file.write("hello", 5), 5u);
    }
    os::File file(dir.file("rw"), os::FileMode::ReadWrite);
    EXPECT_EQ(file.size(), 5u) << "existing content is kept";
    ASSERT_TRUE(file.seek(1));
    EXPECT_EQ(file.write("E", 1), 1u);
    ASSERT_TRUE(file.seek(0));
    char text[8] = {};
    EXPECT_EQ(file.read(text, 8), 5u) << "a read past the end gives what is there";
    EXPECT_STREQ(text, "hEllo");
}

TEST(File, skip_seek_and_tell_use_absolute_byte_positions)
{
    test::TempDir dir;
    test::write_file(dir.native("f"), test::Bytes {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    os::File file(dir.file("f"), os::FileMode::Read);
    EXPECT_EQ(file.skip(4), 4);
    EXPECT_EQ(file.skip(-3), -3);
    EXPECT_EQ(file.skip(-5), 0) << "before the start nothing moves";
    EXPECT_EQ(file.tell(), 1u);
    EXPECT_EQ(file.skip(100), 100) << "past the end the platform moves anyway";
    EXPECT_EQ(file.tell(), 101u);
    uint8_t byte = 0;
    EXPECT_EQ(file.read(&byte, 1), 0u);
    ASSERT_TRUE(file.seek(4));
    EXPECT_EQ(file.read(&byte, 1), 1u);
    EXPECT_EQ(byte, 4);
    EXPECT_TRUE(file.seek(0xFFFFFFFFu)) << "positions are unsigned 32-bit";
    EXPECT_EQ(file.tell(), 0xFFFFFFFFu);
}
