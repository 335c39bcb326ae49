#include "audio/id3v1.h"
#include "mp3_test_util.h"
#include "os/file.h"

#include <cstring>
#include <gtest/gtest.h>

using audio::ID3v1Tag;

namespace {

struct TagSpec {
    std::string title {}, artist {}, album {}, year {};
    test::Bytes comment {}; // up to 30 bytes, as stored
    uint8_t genre = 0;
};

void put(test::Bytes& body, size_t at, size_t width, const test::Bytes& value)
{
    std::memcpy(body.data() + at, value.data(), std::min(width, value.size()));
}

test::Bytes bytes_of(std::string_view text)
{
    return test::Bytes(text.begin(), text.end());
}

// "TAG" and the 125-byte body, fields padded with zeros.
test::Bytes tag_bytes(const TagSpec& spec)
{
    test::Bytes body(125, 0);
    put(body, 0, 30, bytes_of(spec.title));
    put(body, 30, 30, bytes_of(spec.artist));
    put(body, 60, 30, bytes_of(spec.album));
    put(body, 90, 4, bytes_of(spec.year));
    put(body, 94, 30, spec.comment);
    body[124] = spec.genre;
    return mp3test::cat({bytes_of("TAG"), body});
}

ID3v1Tag read(const test::Bytes& file_bytes)
{
    test::TempDir dir;
    test::write_file(dir.native("tagged.mp3"), file_bytes);
    return audio::read_id3v1(dir.file("tagged.mp3"));
}

} // namespace

TEST(ID3v1, reads_every_field)
{
    TagSpec spec {"A Title", "An Artist", "An Album", "1999", bytes_of("A comment"), 17};
    ID3v1Tag tag = read(mp3test::cat({mp3test::plain_frames(4), tag_bytes(spec)}));
    EXPECT_TRUE(tag.present);
    EXPECT_EQ(tag.title, u"A Title");
    EXPECT_EQ(tag.artist, u"An Artist");
    EXPECT_EQ(tag.album, u"An Album");
    EXPECT_EQ(tag.year, u"1999");
    EXPECT_EQ(tag.comment, u"A comment");
    EXPECT_EQ(tag.genre, 17u);
    EXPECT_EQ(tag.track, 0);
}

TEST(ID3v1, track_number_when_byte_28_of_the_comment_is_zero)
{
    test::Bytes comment = bytes_of("Comment that is 28 bytes lon");
    ASSERT_EQ(comment.size(), 28u);
    comment.push_back(0);
    comment.push_back(5);
    ID3v1Tag tag = read(tag_bytes({"T", "", "", "", comment}));
    EXPECT_EQ(tag.track, 5);
    EXPECT_EQ(tag.comment, u"Comment that is 28 bytes lon");

    comment[28] = 'g';
    tag = read(tag_bytes({"T", "", "", "", comment}));
    EXPECT_EQ(tag.track, 0) << "a full 30-byte comment has no track";
    EXPECT_EQ(tag.comment.size(), 30u);

    comment[28] = 0;
    comment[29] = 0;
    EXPECT_EQ(read(tag_bytes({"T", "", "", "", comment})).track, 0);
}

TEST(ID3v1, blank_padding_and_everything_after_a_zero_are_dropped)
{
    test::Bytes tag = tag_bytes({"", "Artist", "", "", {}});
    std::memcpy(tag.data() + 3, "Padded title                  ", 30);
    std::memcpy(tag.data() + 3 + 60, "Skupinove foto\0garbage here!!!", 30);
    std::memcpy(tag.data() + 3 + 90, "99  ", 4);
    ID3v1Tag read_tag = read(tag);
    EXPECT_EQ(read_tag.title, u"Padded title");
    EXPECT_EQ(read_tag.album, u"Skupinove foto");
    EXPECT_EQ(read_tag.year, u"99");
    EXPECT_EQ(read_tag.artist, u"Artist");
}

TEST(ID3v1, a_field_of_blanks_is_empty)
{
    test::Bytes tag = tag_bytes({});
    std::memset(tag.data() + 3, ' ', 30);
    ID3v1Tag read_tag = read(tag);
    EXPECT_TRUE(read_tag.present);
    EXPECT_TRUE(read_tag.title.empty());
}

TEST(ID3v1, eight_bit_text_is_windows_1252_unless_it_is_utf8)
{
    EXPECT_EQ(read(tag_bytes({"Caf\xE9 \x80 \x93ok\x94"})).title, u"Caf\u00E9 \u20AC \u201Cok\u201D");
    EXPECT_EQ(read(tag_bytes({"Caf\xC3\xA9 \xE2\x82\xAC"})).title, u"Caf\u00E9 \u20AC");
}

TEST(ID3v1, a_file_shorter_than_the_window_is_searched_whole)
{
    EXPECT_EQ(read(mp3test::cat({test::Bytes(300, 1), tag_bytes({"Short"})})).title, u"Short");
    EXPECT_EQ(read(tag_bytes({"Only the tag"})).title, u"Only the tag");
    test::Bytes cut = tag_bytes({"Cut"});
    cut.pop_back();
    EXPECT_FALSE(read(cut).present);
    EXPECT_FALSE(read(bytes_of("TA")).present);
    EXPECT_FALSE(read({}).present);
}

TEST(ID3v1, a_tag_with_something_after_it_is_found)
{
    EXPECT_EQ(
        read(mp3test::cat({mp3test::plain_frames(3), tag_bytes({"Followed"}), test::Bytes(200, 7)})).title,
        u"Followed");
}

TEST(ID3v1, tag_letters_inside_the_fields_do_not_hide_the_tag)
{
    ID3v1Tag tag = read(mp3test::cat({mp3test::plain_frames(3), tag_bytes({"VINTAGE", "TAG", "TAGS"})}));
    EXPECT_TRUE(tag.present);
    EXPECT_EQ(tag.title, u"VINTAGE");
    EXPECT_EQ(tag.artist, u"TAG");
    EXPECT_EQ(tag.album, u"TAGS");
}

TEST(ID3v1, no_tag_or_one_too_far_from_the_end_gives_an_empty_tag)
{
    EXPECT_FALSE(read(mp3test::plain_frames(5)).present);
    ID3v1Tag far = read(mp3test::cat({tag_bytes({"Far"}), test::Bytes(1000, 0)}));
    EXPECT_FALSE(far.present);
    EXPECT_TRUE(far.title.empty());
    test::TempDir dir;
    EXPECT_FALSE(audio::read_id3v1(dir.file("missing.mp3")).present);
}

TEST(ID3v1, find_reports_the_offset_of_the_body)
{
    test::TempDir dir;
    test::write_file(dir.native("f.mp3"), mp3test::cat({test::Bytes(1500, 1), tag_bytes({"X"})}));
    os::File file(dir.file("f.mp3"), os::FileMode::Read);
    uint32_t body = 0;
    ASSERT_TRUE(audio::find_id3v1(file, body));
    EXPECT_EQ(body, 1503u);
}

TEST(ID3v1, corpus_titles)
{
    SKIP_WITHOUT_CORPUS();
    EXPECT_EQ(audio::read_id3v1(test::u16(test::corpus("mp3_id3v1_title_nul_then_garbage.mp3"))).title,
        u"Skupinove foto");
    EXPECT_EQ(
        audio::read_id3v1(test::u16(test::corpus("mp3_id3v1_title_info_cbr.mp3"))).title, u"some title");
    EXPECT_EQ(
        audio::read_id3v1(test::u16(test::corpus("mp3_id3v2_apic_64k_xing_id3v1.mp3"))).title, u"Solace");
    ID3v1Tag empty_title
        = audio::read_id3v1(test::u16(test::corpus("mp3_mpeg25_8k_two_frames_id3v24_id3v1.mp3")));
    EXPECT_TRUE(empty_title.present);
    EXPECT_TRUE(empty_title.title.empty());
}
