#include "os/zip_open.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

test::Bytes two_entry_archive(std::string_view prefix = "data of ")
{
    test::ByteWriter w;
    for (std::string_view name : {"skin.skin", "Back.bmp"}) {
        std::string data = std::string(prefix) + std::string(name);
        w.u32(0x04034B50).u16(10).u16(0).u16(0).u32(0).u32(0);
        w.u32(uint32_t(data.size())).u32(uint32_t(data.size())).u16(uint16_t(name.size())).u16(0);
        w.raw(name).raw(data);
    }
    w.u32(0x02014B50).raw(std::string(42, '\0'));
    return w.bytes;
}

} // namespace

TEST(OpenZip, reads_the_entries_of_an_archive_on_disk)
{
    test::TempDir dir;
    test::write_file(dir.native("default.skin"), two_entry_archive());
    auto zip = os::open_zip(dir.file("default.skin"));

    ASSERT_TRUE(zip->find(u"back.bmp"));
    std::string text(64, '\0');
    text.resize(zip->read(text.data(), 64));
    EXPECT_EQ(text, "data of Back.bmp");
    ASSERT_TRUE(zip->find(u"SKIN.SKIN"));
    EXPECT_EQ(zip->size(), 17u);
    EXPECT_EQ(zip->next_entry(), u"Back.bmp");
    EXPECT_EQ(zip->next_entry(), u"");
    auto missing = os::open_zip(dir.file("absent.skin")); // an archive without entries
    ASSERT_NE(missing, nullptr);
    EXPECT_FALSE(missing->find(u"skin.skin"));
}

TEST(OpenZip, archive_too_big_for_memory_is_read_from_the_file)
{
    test::TempDir dir;
    test::ByteWriter w;
    const uint32_t big = (32u << 20) + 1;
    w.u32(0x04034B50).u16(10).u16(0).u16(0).u32(0).u32(0).u32(big).u32(big).u16(5).u16(0).raw("a.bmp");
    w.raw(std::string(big, 'a'));
    test::Bytes tail = two_entry_archive();
    w.bytes.insert(w.bytes.end(), tail.begin(), tail.end());
    test::write_file(dir.native("huge.skin"), w.bytes);
    auto zip = os::open_zip(dir.file("huge.skin"));

    ASSERT_TRUE(zip->find(u"back.bmp"));
    std::string text(64, '\0');
    text.resize(zip->read(text.data(), 64));
    EXPECT_EQ(text, "data of Back.bmp");
}

TEST(OpenZip, an_archive_opened_again_is_read_again_once_the_file_changed)
{
    test::TempDir dir;
    test::write_file(dir.native("default.skin"), two_entry_archive());
    auto read_back = [&] {
        auto zip = os::open_zip(dir.file("default.skin"));
        std::string text(64, '\0');
        text.resize(zip->find(u"back.bmp") ? zip->read(text.data(), 64) : 0);
        return text;
    };
    auto first = os::open_zip(dir.file("default.skin"));
    EXPECT_EQ(read_back(), "data of Back.bmp");
    // Same size, other bytes: a new file in its place, as a skin being replaced.
    test::write_file(dir.native("new.skin"), two_entry_archive("DATA OF "));
    std::filesystem::rename(dir.native("new.skin"), dir.native("default.skin"));
    EXPECT_EQ(read_back(), "DATA OF Back.bmp");
    // A reader of the old file keeps reading the old bytes.
    ASSERT_TRUE(first->find(u"back.bmp"));
    std::string text(64, '\0');
    text.resize(first->read(text.data(), 64));
    EXPECT_EQ(text, "data of Back.bmp");
}
