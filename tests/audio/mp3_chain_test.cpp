#include "audio/file_reader_mp3.h"
#include "audio/play_chain_mp3.h"
#include "mp3_test_util.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<audio::PlayChain> open(const std::filesystem::path& path)
{
    return audio::create_play_chain(test::u16(path));
}

struct ReaderKind : audio::PlayChainVisitor {
    bool mp3 = false;
    void visit(audio::FileReaderMP3&) override { mp3 = true; }
};

} // namespace

TEST(PlayChainMP3, opens_by_content_and_takes_the_id3v1_title)
{
    test::TempDir dir;
    test::write_file(dir.native("sound.wav"), test::read_file(test::fixture("mp3/mpeg1_32k_mono_cbr64.mp3")));
    auto chain = audio::create_play_chain(dir.file("sound.wav"));
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->get_codec_name(), u"mp3");
    EXPECT_EQ(chain->get_title(), u"sound.wav");
    ReaderKind kind;
    chain->accept(kind);
    EXPECT_TRUE(kind.mp3);
    EXPECT_FALSE(test::decode_all(chain->get_provider(), 4096).samples.empty());

    auto titled = open(test::fixture("mp3/id3v1_title.mp3"));
    ASSERT_TRUE(titled);
    EXPECT_EQ(titled->get_title(), u"Test Tone");
    auto both_tags = open(test::fixture("mp3/id3v2_title.mp3"));
    ASSERT_TRUE(both_tags);
    EXPECT_EQ(both_tags->get_title(), u"Tagged Tone");
    EXPECT_EQ(both_tags->get_reader().sample_rate(), 22050u);
}

TEST(PlayChainMP3, is_tried_last_and_refuses_what_holds_no_stream)
{
    test::TempDir dir;
    test::WavSpec spec;
    spec.data = mp3test::plain_frames(6);
    test::write_file(dir.native("pcm.wav"), test::make_wav(spec));
    auto pcm = audio::create_play_chain(dir.file("pcm.wav"));
    ASSERT_TRUE(pcm);
    EXPECT_EQ(pcm->get_codec_name(), u"PCM");
    test::write_file(dir.native("junk.mp3"), mp3test::junk(20000));
    EXPECT_FALSE(audio::create_play_chain(dir.file("junk.mp3")));
    EXPECT_FALSE(audio::create_play_chain(dir.file("missing.mp3")));
}

TEST(PlayChainMP3, corpus_files_take_their_tag_title_and_time)
{
    SKIP_WITHOUT_CORPUS();
    EXPECT_EQ(open(test::corpus("mp3_id3v2_apic_64k_xing_id3v1.mp3"))->get_title(), u"Solace");
    EXPECT_EQ(open(test::corpus("mp3_mpeg25_8k_two_frames_id3v24_id3v1.mp3"))->get_title(),
        u"mp3_mpeg25_8k_two_frames_id3v24_id3v1.mp3")
        << "an empty tag title keeps the file name";
    EXPECT_DOUBLE_EQ(open(test::corpus("mp3_mpeg25_8k_mono_40s.mp3"))->get_reader().duration(), 40.176);
}
