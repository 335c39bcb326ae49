#include "os/zip_open.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

test::Bytes two_entry_archive(std::string_view prefix = "data of ", uint32_t big = 0)
{
    test::ByteWriter w;
    if (big > 0) { // an entry too big for memory first
        w.u32(0x04034B50).u16(10).u16(0).u16(0).u32(0).u32(0);
        w.u32(big).u32(big).u16(5).u16(0).raw("a.bmp").raw(std::string(big, 'a'));
    }
    for (std::string_view name : {"skin.skin", "Back.bmp"}) {
        std::string data = std::string(prefix) + std::string(name);
        w.u32(0x04034B50).u16(10).u16(0).u16(0).u32(0).u32(0);
        w.u32(uint32_t(data.size())).u32(uint32_t(data.size())).u16(uint16_t(name.size())).u16(0);
        w.raw(name).raw(data);
    }
    w.u32(0x02014B50).raw(std::string(42, '\0'));
    return w.bytes;
}

std::string back_bmp(liba::ZipFile& zip)
{
    std::string text(64, '\0');
    text.resize(zip.find(u"back.bmp") ? zip.read(text.data(), 64) : 0);
    return text;
}

} // namespace

TEST(OpenZip, reads_an_archive_on_disk_again_once_the_file_changed_and_a_big_one_from_the_file)
{
    test::TempDir dir;
    test::write_file(dir.native("default.skin"), two_entry_archive());
    auto first = os::open_zip(dir.file("default.skin"));
    EXPECT_EQ(back_bmp(*first), "data of Back.bmp");
    EXPECT_EQ(back_bmp(*os::open_zip(dir.file("default.skin"))), "data of Back.bmp"); // from the cache
    ASSERT_TRUE(first->find(u"SKIN.SKIN"));
    EXPECT_EQ(first->size(), 17u);
    EXPECT_EQ(first->next_entry(), u"Back.bmp");
    EXPECT_EQ(first->next_entry(), u"");
    auto missing = os::open_zip(dir.file("absent.skin")); // an archive without entries
    ASSERT_NE(missing, nullptr);
    EXPECT_FALSE(missing->find(u"skin.skin"));

    // Same size, other bytes: a new file in its place, as a skin being replaced.
    test::write_file(dir.native("new.skin"), two_entry_archive("DATA OF "));
    std::filesystem::rename(dir.native("new.skin"), dir.native("default.skin"));
    EXPECT_EQ(back_bmp(*os::open_zip(dir.file("default.skin"))), "DATA OF Back.bmp");
    EXPECT_EQ(back_bmp(*first), "data of Back.bmp") << "a reader of the old file keeps reading the old bytes";

    test::write_file(dir.native("huge.skin"), two_entry_archive("data of ", (32u << 20) + 1));
    EXPECT_EQ(back_bmp(*os::open_zip(dir.file("huge.skin"))), "data of Back.bmp");
}
