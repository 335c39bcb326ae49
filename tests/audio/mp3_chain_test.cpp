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

TEST(PlayChainMP3, corpus_files_open_and_decode_every_frame)
{
    SKIP_WITHOUT_CORPUS();
    struct Case {
        const char* name;
        int32_t sample_rate, channels;
        size_t frames; // decoded sample frames
    };
    const Case cases[] = {
        {"mp3_cbr_mono_bladeenc.mp3", 44100, 1, 136 * 1152},
        {"mp3_disguised_as.wav", 44100, 1, 46 * 1152},
        {"mp3_garbage_before_first_frame.mp3", 44100, 1, 19 * 1152},
        {"mp3_id3v2_apic_64k_xing_id3v1.mp3", 44100, 2, 10 * 1152},
        {"mp3_id3v2_165k_tag_apic.mp3", 44100, 2, 31 * 1152},
        {"mp3_two_id3v2_tags.mp3", 44100, 2, 5 * 1152},
        {"mp3_mpeg25_8k_mono_40s.mp3", 8000, 1, 558 * 576},
        {"mp3_mpeg25_8k_two_frames_id3v24_id3v1.mp3", 8000, 2, 2 * 576},
        {"mp3_mpeg25_11k_xing_5frames.mp3", 11025, 2, 5 * 576},
        {"mp3_mpeg2_22k_xing_vbr_cut.mp3", 22050, 1, 197 * 576},
        {"mp3_id3v1_title_nul_then_garbage.mp3", 16000, 2, 59 * 576},
        {"mpeg1_layer1_44k.mp1", 44100, 2, 49 * 384},
        {"mpeg1_layer2_44k.mp2", 44100, 2, 49 * 1152},
        {"mpeg2_layer2_24k.mp2", 24000, 2, 63 * 1152},
        {"riff_wave_mpeg_layer3_tag55.wav", 44100, 2, 5 * 1152},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto chain = open(test::corpus(c.name));
        ASSERT_TRUE(chain);
        EXPECT_EQ(chain->get_codec_name(), u"mp3");
        chain->get_reader().seek_position(0);
        test::Decoded d = test::decode_all(chain->get_provider(), 4096);
        EXPECT_EQ(d.sample_rate, c.sample_rate);
        EXPECT_EQ(d.channels, c.channels);
        EXPECT_TRUE(!d.ragged);
        EXPECT_EQ(size_t(d.frames), c.frames);
        EXPECT_EQ(chain->get_reader().position(), chain->get_reader().length());
    }
    EXPECT_EQ(open(test::corpus("mp3_id3v2_apic_64k_xing_id3v1.mp3"))->get_title(), u"Solace");
    EXPECT_EQ(open(test::corpus("mp3_mpeg25_8k_two_frames_id3v24_id3v1.mp3"))->get_title(),
        u"mp3_mpeg25_8k_two_frames_id3v24_id3v1.mp3")
        << "an empty tag title keeps the file name";
    EXPECT_DOUBLE_EQ(open(test::corpus("mp3_mpeg25_8k_mono_40s.mp3"))->get_reader().duration(), 40.176);
}

TEST(PlayChainMP3, corpus_files_to_refuse_give_no_chain_or_no_audio)
{
    SKIP_WITHOUT_CORPUS();
    for (const char* name : {"refuse_mp3_free_format_layer3.mp3", "refuse_mp2_free_format_layer2.mp2",
             "refuse_mpc_sv5_header_only.mpc"}) {
        auto chain = open(test::corpus(name));
        if (chain) {
            EXPECT_TRUE(test::decode_all(chain->get_provider(), 4096).samples.empty()) << name;
        }
    }
}
