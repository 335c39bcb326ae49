#include "os/file.h"

#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(File, missing_files_and_folders_are_inert_and_each_mode_reads_and_writes_as_it_should)
{
    test::TempDir dir;
    uint8_t buffer[8] = {};
    for (os::FileMode mode : {os::FileMode::Read, os::FileMode::Append, os::FileMode::ReadWrite}) {
        os::File file(mode == os::FileMode::Read ? dir.file("missing.wav") : dir.file(""), mode);
        EXPECT_EQ(file.errors(), std::vector<std::u16string> {u"can't open file"});
        EXPECT_FALSE(file.good());
        EXPECT_EQ(file.read(buffer, 4), 0u);
        EXPECT_EQ(file.write(buffer, 4), 0u);
        EXPECT_EQ(file.skip(2), 0);
        EXPECT_EQ(file.size(), 0u);
        EXPECT_FALSE(file.seek(1));
        EXPECT_EQ(file.tell(), 0u);
        file.flush();
    }
    ASSERT_EQ(
        ::mkfifo(dir.native("fifo").c_str(), 0600), 0); // opened without waiting for a writer, and refused
    EXPECT_EXIT((::alarm(10), ::_exit(os::File(dir.file("fifo"), os::FileMode::Read).good())),
        testing::ExitedWithCode(0), "");

    for (int round = 0; round < 2; ++round) { // a missing file for append is made, then appended to
        os::File file(dir.file("f"), os::FileMode::Append);
        ASSERT_TRUE(file.good());
        EXPECT_EQ(file.tell(), round * 3u);
        EXPECT_EQ(file.write("abc", 3), 3u);
    }
    {
        os::File file(dir.file("f"), os::FileMode::Write);
        EXPECT_EQ(file.size(), 0u) << "write mode truncates";
        EXPECT_EQ(file.write("xy", 2), 2u);
        file.seek(0);
        EXPECT_EQ(file.read(buffer, 1), 0u) << "write mode has no read access";
    }
    {
        os::File file(dir.file("f"), os::FileMode::Read);
        EXPECT_EQ(file.size(), 2u);
        EXPECT_EQ(file.write("zz", 2), 0u);
        EXPECT_TRUE(file.good()) << "a refused write is no open failure";
    }
    EXPECT_EQ(os::File(dir.file("rw"), static_cast<os::FileMode>(7)).write("0123456789", 10), 10u)
        << "any other mode value acts as read-write";
    os::File file(dir.file("rw"), os::FileMode::ReadWrite);
    EXPECT_EQ(file.size(), 10u) << "existing content is kept";
    ASSERT_TRUE(file.seek(1));
    EXPECT_EQ(file.write("E", 1), 1u);
    for (auto [by, moved] : {std::pair {4, 4}, {-3, -3}, {-5, 0}}) // before the start nothing moves
        EXPECT_EQ(file.skip(by), moved) << by;
    EXPECT_EQ(file.tell(), 3u);
    EXPECT_EQ(file.skip(100), 100) << "past the end the platform moves anyway";
    EXPECT_EQ(file.tell(), 103u);
    EXPECT_EQ(file.read(buffer, 1), 0u);
    ASSERT_TRUE(file.seek(0));
    EXPECT_EQ(file.read(buffer, 8), 8u);
    EXPECT_EQ(std::string(buffer, buffer + 8), "0E234567");
    EXPECT_EQ(file.read(buffer, 8), 2u) << "a read past the end gives what is there";
    EXPECT_TRUE(file.seek(0xFFFFFFFFu)) << "positions are unsigned 32-bit";
    EXPECT_EQ(file.tell(), 0xFFFFFFFFu);
    EXPECT_EQ(test::read_file(dir.native("f")), (test::Bytes {'x', 'y'}));
}
