// melodeck-decode run as a separate process: into a WAV file, and --play on the file and null sound
// backends.

#include "tool_run.h"

#include <gtest/gtest.h>

namespace {

// A 16-bit WAV in.wav in a fresh folder, and melodeck-decode run on it.
struct Decode {
    Decode(uint16_t channels, uint32_t rate, test::Bytes data, bool list_chunk = false)
    {
        if (list_chunk)
            spec.chunks_before_data = {{"LIST", test::Bytes(9, 'i')}};
        spec.channels = channels;
        spec.sample_rate = rate;
        spec.data = std::move(data);
        test::write_file(dir.native("in.wav"), test::make_wav(spec));
    }
    test::ToolRun operator()(const std::string& arguments, const std::string& environment = "") const
    {
        test::ToolRun run = test::run_tool(
            "melodeck-decode", dir.native("in.wav").string() + " " + arguments, dir, environment);
        run.out += run.err;
        return run;
    }
    std::string out(const std::string& name) const { return " -o " + dir.native(name).string(); }
    // The file sound backend writing into name.
    std::string backend(const std::string& name, const std::string& options = ",fast") const
    {
        return "MELODECK_AUDIO='file:" + dir.native(name).string() + options + "'";
    }
    test::Bytes data(const std::string& name) const { return test::wav_data(dir.native(name)); }
    test::Bytes tail(size_t from) const
    {
        return test::Bytes(spec.data.begin() + long(from), spec.data.end());
    }

    test::TempDir dir;
    test::WavSpec spec;
};

} // namespace

TEST(MelodeckDecode, decodes_and_plays_the_data_chunk_byte_for_byte)
{
    Decode decode(2, 44100, test::ramp16(2 * 40000), true); // an odd-sized chunk before the data
    test::ToolRun run = decode(decode.out("out.wav"));
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(
        run.out.find("codec=PCM channels=2 rate=44100 bits=16 bitrate=1411200 length=160000 duration=0.907"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("title=in.wav"), std::string::npos);
    EXPECT_EQ(decode.data("out.wav"), decode.spec.data);

    // Played to the end through the file backend: an odd tail must not be cut.
    Decode play(2, 44100, test::ramp16(44100 * 2 * 2 + 6));
    run = play("--play", play.backend("played.wav"));
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("played position=352812 time=2.000"), std::string::npos) << run.out;
    EXPECT_TRUE(play.data("played.wav") == play.spec.data);
}

TEST(MelodeckDecode, seeks_in_the_readers_unit_and_stops_after_max_seconds)
{
    Decode decode(1, 8000, test::ramp16(8000 * 3));
    // 10001 bytes is not a frame boundary: the reader lands on byte 10000.
    ASSERT_EQ(decode("--seek 10001" + decode.out("seek.wav")).status, 0);
    EXPECT_EQ(decode.data("seek.wav"), decode.tail(10000));

    ASSERT_EQ(decode("--max-seconds 1" + decode.out("one.wav")).status, 0);
    EXPECT_GE(decode.data("one.wav").size(), 16000u);
    EXPECT_LT(decode.data("one.wav").size(), 48000u);
    // In real time, stopped early: what was played is a prefix of the file.
    ASSERT_EQ(decode("--play --max-seconds 0.2", decode.backend("one_play.wav", "")).status, 0);
    test::Bytes played = decode.data("one_play.wav");
    EXPECT_LT(played.size(), decode.spec.data.size());
    EXPECT_TRUE(std::equal(played.begin(), played.end(), decode.spec.data.begin()));
}

TEST(MelodeckDecode, the_equalizer_delays_by_100_ms_and_shapes_the_sound)
{
    test::ByteWriter tone;
    for (int i = 0; i < 8000; ++i)
        tone.u16(uint16_t(int16_t(i % 16 < 8 ? 8000 : -8000)));
    Decode decode(1, 8000, tone.bytes);
    const test::Bytes& in = decode.spec.data;
    ASSERT_EQ(decode("--eq 500,1,6" + decode.out("eq.wav")).status, 0);
    test::Bytes out = decode.data("eq.wav");
    ASSERT_EQ(out.size(), in.size());
    EXPECT_EQ(test::Bytes(out.begin(), out.begin() + 1600), test::Bytes(1600, 0)); // 800 frames of delay
    EXPECT_NE(test::Bytes(out.begin() + 1600, out.end()), test::Bytes(in.begin(), in.end() - 1600));
}

TEST(MelodeckDecode, refusals_and_usage_errors_have_their_own_status_and_no_device_plays_silence)
{
    test::TempDir dir;
    test::write_file(dir.native("noise.bin"), test::Bytes(100, 0x11));
    std::string path = dir.native("noise.bin").string();
    test::ToolRun run = test::run_tool("melodeck-decode", path, dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "melodeck-decode: no reader accepts " + path + "\n");

    Decode decode(1, 8000, test::ramp16(1600)); // 0.2 s
    run = decode("--play", "SDL_AUDIODRIVER=no_such_driver");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("played position=3200"), std::string::npos) << run.out;
    run = decode("--play", decode.backend("none/x.wav"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("did not open"), std::string::npos) << run.out;
    for (const std::string& arguments : {std::string("--eq 500,1"), "--play" + decode.out("x.wav")}) {
        run = decode(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.out.find("usage:"), std::string::npos) << arguments;
    }
    EXPECT_EQ(test::run_tool("melodeck-decode", "", dir).status, 2);
}
