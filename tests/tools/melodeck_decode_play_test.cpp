// melodeck-decode --play, run as a separate process on the file and null sound backends.

#include "tool_run.h"

#include <gtest/gtest.h>

namespace {

// A ramp WAV in a fresh folder, played by melodeck-decode; out.wav is the file backend's output.
struct Play {
    Play(uint32_t samples, uint16_t channels, uint32_t rate)
    {
        test::WavSpec spec;
        spec.channels = channels;
        spec.sample_rate = rate;
        spec.data = test::ramp16(samples);
        test::write_file(dir.native("ramp.wav"), test::make_wav(spec));
    }
    // Plays with the further arguments; environment chooses the sound backend (see backend()).
    test::ToolRun operator()(const std::string& arguments, const std::string& environment) const
    {
        test::ToolRun run = test::run_tool(
            "melodeck-decode", dir.native("ramp.wav").string() + " --play " + arguments, dir, environment);
        run.out += run.err;
        return run;
    }
    std::string backend(const std::string& options = ",fast") const
    {
        return "MELODECK_AUDIO='file:" + dir.native("out.wav").string() + options + "'";
    }
    test::Bytes played() const { return test::wav_data(dir.native("out.wav")); }

    test::TempDir dir;
};

} // namespace

TEST(MelodeckDecodePlay, plays_the_whole_file_into_the_file_backend)
{
    Play play(44100 * 2 * 2 + 6, 2, 44100);
    test::ToolRun run = play("", play.backend());
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("played position=352812 time=2.000"), std::string::npos) << run.out;
    EXPECT_TRUE(play.played() == test::ramp16(44100 * 2 * 2 + 6)) << "the end must not be cut";
}

TEST(MelodeckDecodePlay, seeks_before_playing)
{
    Play play(8000, 1, 8000);
    ASSERT_EQ(play("--seek 1000", play.backend()).status, 0);
    test::Bytes ramp = test::ramp16(8000);
    EXPECT_TRUE(play.played() == test::Bytes(ramp.begin() + 1000, ramp.end()));
}

TEST(MelodeckDecodePlay, max_seconds_stops_early_with_what_was_played_intact)
{
    Play play(8000 * 60, 1, 8000); // a minute
    test::ToolRun run = play("--max-seconds 0.2", play.backend(""));
    ASSERT_EQ(run.status, 0) << run.out;
    test::Bytes played = play.played();
    test::Bytes ramp = test::ramp16(8000 * 60);
    EXPECT_LT(played.size(), ramp.size());
    EXPECT_TRUE(std::equal(played.begin(), played.end(), ramp.begin())) << "a prefix of the file";
}

TEST(MelodeckDecodePlay, falls_back_to_silence_when_no_sound_device_opens)
{
    Play play(1600, 1, 8000); // 0.2 s
    test::ToolRun run = play("", "SDL_AUDIODRIVER=no_such_driver");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("played position=3200"), std::string::npos) << run.out;
}

TEST(MelodeckDecodePlay, an_unwritable_backend_file_or_a_second_output_is_an_error)
{
    Play play(1600, 1, 8000);
    test::ToolRun run = play("", "MELODECK_AUDIO='file:" + play.dir.native("none/x.wav").string() + ",fast'");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.out.find("did not open"), std::string::npos) << run.out;
    // Playing and writing at once is a usage error.
    run = play("-o " + play.dir.native("x.wav").string(), "");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.out.find("usage:"), std::string::npos);
}
