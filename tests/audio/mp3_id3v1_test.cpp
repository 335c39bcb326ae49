#include "audio/id3v1.h"
#include "mp3_test_util.h"
#include "os/file.h"

#include <gtest/gtest.h>

using audio::ID3v1Tag;

namespace {

// "TAG" and a 125-byte body; fields are given as stored and padded with zeros.
test::Bytes tag_bytes(
    std::string_view title, std::string_view artist = "", std::string_view comment = "", uint8_t genre = 0)
{
    test::Bytes tag(128, 0);
    auto put = [&](size_t at, size_t width, std::string_view value) {
        std::copy_n(value.begin(), std::min(width, value.size()), tag.begin() + long(at));
    };
    put(0, 3, "TAG");
    put(3, 30, title);
    put(33, 30, artist);
    put(63, 30, "Album");
    put(93, 4, "1999");
    put(97, 30, comment);
    tag[127] = genre;
    return tag;
}

ID3v1Tag read(const test::Bytes& file_bytes)
{
    test::TempDir dir;
    test::write_file(dir.native("tagged.mp3"), file_bytes);
    return audio::read_id3v1(dir.file("tagged.mp3"));
}

} // namespace

TEST(ID3v1, reads_the_fields_and_the_track_number)
{
    ID3v1Tag tag
        = read(mp3test::cat({mp3test::plain_frames(4), tag_bytes("A Title", "An Artist", "Note", 17)}));
    EXPECT_TRUE(tag.present);
    EXPECT_EQ(tag.title, u"A Title");
    EXPECT_EQ(tag.artist, u"An Artist");
    EXPECT_EQ(tag.album, u"Album");
    EXPECT_EQ(tag.year, u"1999");
    EXPECT_EQ(tag.comment, u"Note");
    EXPECT_EQ(tag.genre, 17u);
    EXPECT_EQ(tag.track, 0);
    // ID3v1.1: byte 28 of the comment is 0 and byte 29 the track.
    std::string comment = "Comment that is 28 bytes lon";
    tag = read(tag_bytes("T", "", comment + std::string("\0\5", 2)));
    EXPECT_EQ(tag.track, 5);
    EXPECT_EQ(tag.comment, u"Comment that is 28 bytes lon");
    tag = read(tag_bytes("T", "", comment + "g\5"));
    EXPECT_EQ(tag.track, 0) << "a full 30-byte comment";
    EXPECT_EQ(tag.comment.size(), 30u);
}

TEST(ID3v1, fields_lose_blank_padding_and_what_follows_a_zero)
{
    ID3v1Tag tag = read(tag_bytes("Padded title                  ",
        std::string("Skupinove foto\0garbage!", 23), "                              "));
    EXPECT_EQ(tag.title, u"Padded title");
    EXPECT_EQ(tag.artist, u"Skupinove foto");
    EXPECT_TRUE(tag.comment.empty());
}

TEST(ID3v1, eight_bit_text_is_windows_1252_unless_it_is_utf8)
{
    EXPECT_EQ(read(tag_bytes("Caf\xE9 \x80 \x93ok\x94")).title, u"Caf\u00E9 \u20AC \u201Cok\u201D");
    EXPECT_EQ(read(tag_bytes("Caf\xC3\xA9 \xE2\x82\xAC")).title, u"Caf\u00E9 \u20AC");
}

TEST(ID3v1, where_the_tag_is_looked_for)
{
    EXPECT_EQ(read(mp3test::cat({test::Bytes(300, 1), tag_bytes("Short file")})).title, u"Short file");
    EXPECT_EQ(read(tag_bytes("Only the tag")).title, u"Only the tag");
    EXPECT_EQ(read(mp3test::cat({tag_bytes("Followed"), test::Bytes(200, 7)})).title, u"Followed");
    EXPECT_EQ(read(mp3test::cat({mp3test::plain_frames(3), tag_bytes("VINTAGE", "TAG")})).title, u"VINTAGE")
        << "letters of the tag inside its own fields";
    test::Bytes cut = tag_bytes("Cut");
    cut.pop_back();
    EXPECT_FALSE(read(cut).present);
    EXPECT_FALSE(read({'T', 'A'}).present);
    EXPECT_FALSE(read({}).present);
    EXPECT_FALSE(read(mp3test::plain_frames(5)).present);
    EXPECT_FALSE(read(mp3test::cat({tag_bytes("Too far"), test::Bytes(1000, 0)})).present);
    test::TempDir dir;
    EXPECT_FALSE(audio::read_id3v1(dir.file("missing.mp3")).present);
    test::write_file(dir.native("f.mp3"), mp3test::cat({test::Bytes(1500, 1), tag_bytes("X")}));
    os::File file(dir.file("f.mp3"), os::FileMode::Read);
    uint32_t body = 0;
    ASSERT_TRUE(audio::find_id3v1(file, body));
    EXPECT_EQ(body, 1503u);
}

TEST(ID3v1, corpus_titles)
{
    SKIP_WITHOUT_CORPUS();
    auto title = [](const char* name) { return audio::read_id3v1(test::u16(test::corpus(name))).title; };
    EXPECT_EQ(title("mp3_id3v1_title_nul_then_garbage.mp3"), u"Skupinove foto");
    EXPECT_EQ(title("mp3_id3v1_title_info_cbr.mp3"), u"some title");
    EXPECT_EQ(title("mp3_id3v2_apic_64k_xing_id3v1.mp3"), u"Solace");
}
