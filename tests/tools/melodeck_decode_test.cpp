#include "tool_run.h"

#include <gtest/gtest.h>

namespace {

// A WAV file in.wav in a fresh folder, and melodeck-decode run on it.
struct Decode {
    explicit Decode(test::WavSpec wav)
        : spec(std::move(wav))
    {
        test::write_file(dir.native("in.wav"), test::make_wav(spec));
    }
    // Decodes into the WAV file out (if given) with the further arguments.
    test::ToolRun operator()(const std::string& arguments, const std::string& out = "") const
    {
        std::string output = out.empty() ? "" : " -o " + dir.native(out).string();
        return test::run_tool(
            "melodeck-decode", dir.native("in.wav").string() + " " + arguments + output, dir);
    }
    test::Bytes data(const std::string& out) const { return test::wav_data(dir.native(out)); }

    test::TempDir dir;
    test::WavSpec spec;
};

test::WavSpec mono(uint32_t rate, test::Bytes data)
{
    test::WavSpec spec;
    spec.channels = 1;
    spec.sample_rate = rate;
    spec.data = std::move(data);
    return spec;
}

} // namespace

TEST(MelodeckDecode, reproduces_the_data_chunk_byte_for_byte)
{
    test::WavSpec spec;
    spec.chunks_before_data = {{"LIST", test::Bytes(9, 'i')}};
    spec.data = test::ramp16(2 * 40000);
    Decode decode(spec);
    test::ToolRun run = decode("", "out.wav");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(
        run.out.find("codec=PCM channels=2 rate=44100 bits=16 bitrate=1411200 length=160000 duration=0.907"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("title=in.wav"), std::string::npos);
    EXPECT_NE(run.out.find("realtime"), std::string::npos);
    EXPECT_EQ(decode.data("out.wav"), spec.data);
}

TEST(MelodeckDecode, seeks_in_the_readers_unit_and_stops_after_max_seconds)
{
    Decode decode(mono(44100, test::ramp16(30000)));
    // 10001 bytes is not a frame boundary: the reader lands on byte 10000.
    test::ToolRun run = decode("--seek 10001", "out.wav");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(decode.data("out.wav"), test::Bytes(decode.spec.data.begin() + 10000, decode.spec.data.end()));

    Decode three_seconds(mono(8000, test::ramp16(8000 * 3)));
    run = three_seconds("--max-seconds 1", "out.wav");
    ASSERT_EQ(run.status, 0) << run.err;
    size_t bytes = three_seconds.data("out.wav").size();
    EXPECT_GE(bytes, 16000u);
    EXPECT_LT(bytes, 48000u);
}

TEST(MelodeckDecode, says_so_when_no_reader_accepts_the_file)
{
    test::TempDir dir;
    test::write_file(dir.native("noise.bin"), test::Bytes(100, 0x11));
    std::string path = dir.native("noise.bin").string();
    test::ToolRun run = test::run_tool("melodeck-decode", path, dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "melodeck-decode: no reader accepts " + path + "\n");
    EXPECT_EQ(test::run_tool("melodeck-decode", "", dir).status, 2); // usage
}

TEST(MelodeckDecode, the_equalizer_delays_by_100_ms_and_shapes_the_sound)
{
    test::ByteWriter tone;
    for (int i = 0; i < 8000; ++i)
        tone.u16(uint16_t(int16_t(i % 16 < 8 ? 8000 : -8000)));
    Decode decode(mono(8000, tone.bytes));
    const test::Bytes& in = decode.spec.data;

    test::ToolRun flat = decode("--eq 500,1,0", "flat.wav");
    ASSERT_EQ(flat.status, 0) << flat.err;
    EXPECT_EQ(decode.data("flat.wav"), in); // 0 dB: the stage is off

    test::ToolRun boosted = decode("--eq 500,1,6", "eq.wav");
    ASSERT_EQ(boosted.status, 0) << boosted.err;
    test::Bytes out = decode.data("eq.wav");
    ASSERT_EQ(out.size(), in.size());
    EXPECT_EQ(test::Bytes(out.begin(), out.begin() + 1600), test::Bytes(1600, 0)); // 800 frames of delay
    EXPECT_NE(test::Bytes(out.begin() + 1600, out.end()), test::Bytes(in.begin(), in.end() - 1600));

    EXPECT_EQ(decode("--eq 500,1").status, 2);
}
