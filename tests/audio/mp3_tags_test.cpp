// ID3v1 tags and the MP3 play chain: the fields and their text, where the tag is looked for, the
// chain's title from the tag, and the MP3 chain tried last, by content.

#include "audio/file_reader_mp3.h"
#include "audio/id3v1.h"
#include "audio/play_chain_mp3.h"
#include "mp3_test_util.h"
#include "os/file.h"

#include <gtest/gtest.h>

using audio::ID3v1Tag;
using mp3test::cat;

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

std::unique_ptr<audio::PlayChain> open(const std::filesystem::path& path)
{
    return audio::create_play_chain(test::u16(path));
}

} // namespace

TEST(ID3v1, reads_the_fields_their_text_and_the_track_number)
{
    ID3v1Tag tag = read(cat({mp3test::plain_frames(4), tag_bytes("A Title", "An Artist", "Note", 17)}));
    EXPECT_TRUE(tag.present);
    EXPECT_EQ(tag.title + tag.artist + tag.album + tag.year + tag.comment, u"A TitleAn ArtistAlbum1999Note");
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
    // Fields lose blank padding and what follows a zero.
    tag = read(tag_bytes("Padded title                  ", std::string("Skupinove foto\0garbage!", 23),
        "                              "));
    EXPECT_EQ(tag.title, u"Padded title");
    EXPECT_EQ(tag.artist, u"Skupinove foto");
    EXPECT_TRUE(tag.comment.empty());
    // Eight-bit text is Windows-1252 unless it is UTF-8.
    EXPECT_EQ(read(tag_bytes("Caf\xE9 \x80 \x93ok\x94")).title, u"Caf\u00E9 \u20AC \u201Cok\u201D");
    EXPECT_EQ(read(tag_bytes("Caf\xC3\xA9 \xE2\x82\xAC")).title, u"Caf\u00E9 \u20AC");
}

TEST(ID3v1, is_looked_for_in_the_last_128_bytes_or_before_a_short_trailer)
{
    EXPECT_EQ(read(cat({test::Bytes(300, 1), tag_bytes("Short file")})).title, u"Short file");
    EXPECT_EQ(read(tag_bytes("Only the tag")).title, u"Only the tag");
    EXPECT_EQ(read(cat({tag_bytes("Followed"), test::Bytes(200, 7)})).title, u"Followed");
    EXPECT_EQ(read(cat({mp3test::plain_frames(3), tag_bytes("VINTAGE", "TAG")})).title, u"VINTAGE")
        << "letters of the tag inside its own fields";
    test::Bytes cut = tag_bytes("Cut");
    cut.pop_back();
    for (const test::Bytes& bytes : {cut, test::Bytes {'T', 'A'}, test::Bytes {}, mp3test::plain_frames(5),
             cat({tag_bytes("Too far"), test::Bytes(1000, 0)})})
        EXPECT_FALSE(read(bytes).present) << bytes.size();
    test::TempDir dir;
    EXPECT_FALSE(audio::read_id3v1(dir.file("missing.mp3")).present);
    test::write_file(dir.native("f.mp3"), cat({test::Bytes(1500, 1), tag_bytes("X")}));
    os::File file(dir.file("f.mp3"), os::FileMode::Read);
    uint32_t body = 0;
    ASSERT_TRUE(audio::find_id3v1(file, body));
    EXPECT_EQ(body, 1503u);
}

TEST(PlayChainMP3, opens_by_content_last_and_takes_the_tag_title)
{
    test::TempDir dir;
    test::write_file(dir.native("sound.wav"), test::read_file(test::fixture("mp3/mpeg1_32k_mono_cbr64.mp3")));
    auto chain = audio::create_play_chain(dir.file("sound.wav"));
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->get_codec_name(), u"mp3");
    EXPECT_EQ(chain->get_title(), u"sound.wav");
    struct ReaderKind : audio::PlayChainVisitor {
        bool mp3 = false;
        void visit(audio::FileReaderMP3&) override { mp3 = true; }
    } kind;
    chain->accept(kind);
    EXPECT_TRUE(kind.mp3);
    EXPECT_EQ(open(test::fixture("mp3/id3v1_title.mp3"))->get_title(), u"Test Tone");
    EXPECT_EQ(open(test::fixture("mp3/id3v2_title.mp3"))->get_title(), u"Tagged Tone");
    // A PCM WAV whose samples look like MP3 frames is PCM.
    test::WavSpec spec;
    spec.data = mp3test::plain_frames(6);
    test::write_file(dir.native("pcm.wav"), test::make_wav(spec));
    EXPECT_EQ(audio::create_play_chain(dir.file("pcm.wav"))->get_codec_name(), u"PCM");
    test::write_file(dir.native("junk.mp3"), mp3test::junk(20000));
    EXPECT_FALSE(audio::create_play_chain(dir.file("junk.mp3")));
}

TEST(PlayChainMP3, corpus_files_take_their_tag_title)
{
    SKIP_WITHOUT_CORPUS();
    EXPECT_EQ(open(test::corpus("mp3_id3v2_apic_64k_xing_id3v1.mp3"))->get_title(), u"Solace");
    EXPECT_EQ(open(test::corpus("mp3_mpeg25_8k_two_frames_id3v24_id3v1.mp3"))->get_title(),
        u"mp3_mpeg25_8k_two_frames_id3v24_id3v1.mp3")
        << "an empty tag title keeps the file name";
    EXPECT_EQ(open(test::corpus("mp3_id3v1_title_info_cbr.mp3"))->get_title(), u"some title");
}
