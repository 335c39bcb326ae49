#include "os/directory.h"

#include "liba/text.h"
#include "support/test_support.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(Directory, create_folders_makes_every_missing_level_and_file_facts_give_size_attributes_and_time)
{
    test::TempDir dir;
    std::u16string root = test::u16(dir.path());
    for (int round = 0; round < 2; ++round) // existing folders are fine
        EXPECT_TRUE(os::create_folders(root + u"\\one/two\\three/"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.native("one/two/three")));
    test::write_file(dir.native("file"), {});
    for (const std::u16string& bad : {std::u16string(), root + u"/file/sub", root + u"/file"})
        EXPECT_FALSE(os::create_folders(bad)) << liba::to_utf8(bad);

    test::write_file(dir.native("song.mp3"), test::Bytes(1234, 0));
    os::FileInfo info = os::file_info(root + u"\\song.mp3");
    EXPECT_EQ(info.size, 1234u);
    EXPECT_EQ(info.attributes, os::s_attribute_normal);
    EXPECT_EQ(os::file_info(root + u"/").attributes & (os::s_attribute_directory | os::s_attribute_normal),
        os::s_attribute_directory);
    test::write_file(dir.native(".hidden"), {});
    ::chmod(dir.native(".hidden").c_str(), 0444);
    EXPECT_EQ(
        os::file_info(root + u"/.hidden").attributes, os::s_attribute_hidden | os::s_attribute_readonly);
    EXPECT_TRUE(os::file_info(u"%app_full_name%").exists);
    os::FileInfo missing = os::file_info(root + u"/absent");
    EXPECT_FALSE(missing.exists);
    EXPECT_EQ(std::pair(missing.attributes, missing.last_error), std::pair(0xFFFFFFFFu, ENOENT));

    // Creation time is the local birth time, or else the modification time (2001-09-09 01:46:40 UTC).
    const time_t modified = 1000000000;
    const struct timespec times[2] = {{modified, 0}, {modified, 250000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.native("song.mp3").c_str(), times, 0), 0);
    info = os::file_info(root + u"/song.mp3");
    time_t now = ::time(nullptr);
    struct tm expected { };
    ::localtime_r(info.created_is_birth_time ? &now : &modified, &expected);
    EXPECT_EQ(info.created.year, expected.tm_year + 1900);
    if (!info.created_is_birth_time) {
        EXPECT_EQ(info.created.day, expected.tm_mday);
        EXPECT_EQ(info.created.second, expected.tm_sec);
        EXPECT_EQ(info.created.millisecond, 250);
    }
}
