// melodeck-decode run as a separate process: into a WAV file, and --play on the file sound backend.

#include "tool_run.h"

#include <gtest/gtest.h>

namespace {

// Writes a 16-bit WAV in.wav into dir and runs melodeck-decode on it; out names the WAV written (by
// -o, or by the file backend with --play).
test::Bytes decode(const test::TempDir& dir, const test::WavSpec& spec, const std::string& arguments,
    const std::string& out, std::string* printed = nullptr)
{
    test::write_file(dir.native("in.wav"), test::make_wav(spec));
    bool play = arguments.starts_with("--play");
    std::string to = dir.native(out).string();
    test::ToolRun run = test::run_tool("melodeck-decode",
        dir.native("in.wav").string() + " " + arguments + (play ? "" : " -o " + to), dir,
        play ? "MELODECK_AUDIO='file:" + to + (arguments.find("max") == std::string::npos ? ",fast'" : "'")
             : "");
    EXPECT_EQ(run.status, 0) << arguments << ": " << run.err;
    if (printed)
        *printed = run.out;
    return test::wav_data(dir.native(out));
}

TEST(MelodeckDecode, decodes_plays_seeks_stops_and_equalizes_the_data_chunk)
{
    test::TempDir dir;
    test::WavSpec spec;
    spec.chunks_before_data = {{"LIST", test::Bytes(9, 'i')}}; // an odd-sized chunk before the data
    spec.data = test::ramp16(2 * 40000);
    std::string printed;
    EXPECT_EQ(decode(dir, spec, "", "out.wav", &printed), spec.data);
    EXPECT_NE(
        printed.find("codec=PCM channels=2 rate=44100 bits=16 bitrate=1411200 length=160000 duration=0.907"),
        std::string::npos)
        << printed;
    EXPECT_NE(printed.find("title=in.wav"), std::string::npos);
    // Played to the end through the file backend: an odd tail must not be cut.
    spec.data = test::ramp16(44100 * 2 * 2 + 6);
    EXPECT_TRUE(decode(dir, spec, "--play", "played.wav", &printed) == spec.data);
    EXPECT_NE(printed.find("played position=352812 time=2.000"), std::string::npos) << printed;

    // 10001 bytes is not a frame boundary: the reader lands on byte 10000.
    spec.channels = 1;
    spec.sample_rate = 8000;
    spec.data = test::ramp16(8000 * 3);
    EXPECT_EQ(decode(dir, spec, "--seek 10001", "seek.wav"),
        test::Bytes(spec.data.begin() + 10000, spec.data.end()));
    size_t one = decode(dir, spec, "--max-seconds 1", "one.wav").size();
    EXPECT_GE(one, 16000u);
    EXPECT_LT(one, 48000u);
    // In real time, stopped early: what was played is a prefix of the file.
    test::Bytes played = decode(dir, spec, "--play --max-seconds 0.2", "one_play.wav");
    EXPECT_LT(played.size(), spec.data.size());
    EXPECT_TRUE(std::equal(played.begin(), played.end(), spec.data.begin()));

    // The equalizer delays by 100 ms (800 frames) and shapes the sound.
    test::ByteWriter tone;
    for (int i = 0; i < 8000; ++i)
        tone.u16(uint16_t(int16_t(i % 16 < 8 ? 8000 : -8000)));
    spec.data = tone.bytes;
    test::Bytes out = decode(dir, spec, "--eq 500,1,6", "eq.wav");
    ASSERT_EQ(out.size(), spec.data.size());
    EXPECT_EQ(test::Bytes(out.begin(), out.begin() + 1600), test::Bytes(1600, 0));
    EXPECT_NE(
        test::Bytes(out.begin() + 1600, out.end()), test::Bytes(spec.data.begin(), spec.data.end() - 1600));
}

} // namespace
