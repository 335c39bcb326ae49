#include "support/test_support.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

ToolRun decode(const std::string& arguments, const test::TempDir& dir)
{
    std::string out = dir.native("stdout.txt").string();
    std::string err = dir.native("stderr.txt").string();
    std::string command
        = std::string(MELODECK_BIN_DIR) + "/melodeck-decode " + arguments + " >" + out + " 2>" + err;
    ToolRun run;
    int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    auto text = [](const std::filesystem::path& path) {
        test::Bytes bytes = test::read_file(path);
        return std::string(bytes.begin(), bytes.end());
    };
    run.out = text(out);
    run.err = text(err);
    return run;
}

// The bytes after the 44-byte header of a canonical WAV (what the tool writes).
test::Bytes data_of(const std::filesystem::path& wav)
{
    test::Bytes bytes = test::read_file(wav);
    return bytes.size() < 44 ? test::Bytes {} : test::Bytes(bytes.begin() + 44, bytes.end());
}

} // namespace

TEST(MelodeckDecode, reproduces_the_data_chunk_byte_for_byte)
{
    test::TempDir dir;
    test::WavSpec spec;
    spec.chunks_before_data = {{"LIST", test::Bytes(9, 'i')}};
    spec.data = test::ramp16(2 * 40000);
    test::write_file(dir.native("in.wav"), test::make_wav(spec));
    ToolRun run = decode(dir.native("in.wav").string() + " -o " + dir.native("out.wav").string(), dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(
        run.out.find("codec=PCM channels=2 rate=44100 bits=16 bitrate=1411200 length=160000 duration=0.907"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("title=in.wav"), std::string::npos);
    EXPECT_NE(run.out.find("realtime"), std::string::npos);
    EXPECT_EQ(data_of(dir.native("out.wav")), spec.data);
}

TEST(MelodeckDecode, seeks_in_the_readers_unit_before_decoding)
{
    test::TempDir dir;
    test::WavSpec spec;
    spec.channels = 1;
    spec.data = test::ramp16(30000);
    test::write_file(dir.native("in.wav"), test::make_wav(spec));
    // 10001 bytes is not a frame boundary: the reader lands on byte 10000.
    ToolRun run
        = decode(dir.native("in.wav").string() + " --seek 10001 -o " + dir.native("out.wav").string(), dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(data_of(dir.native("out.wav")), test::Bytes(spec.data.begin() + 10000, spec.data.end()));
}

TEST(MelodeckDecode, stops_after_max_seconds)
{
    test::TempDir dir;
    test::WavSpec spec;
    spec.channels = 1;
    spec.sample_rate = 8000;
    spec.data = test::ramp16(8000 * 3);
    test::write_file(dir.native("in.wav"), test::make_wav(spec));
    ToolRun run = decode(
        dir.native("in.wav").string() + " --max-seconds 1 -o " + dir.native("out.wav").string(), dir);
    ASSERT_EQ(run.status, 0) << run.err;
    size_t bytes = data_of(dir.native("out.wav")).size();
    EXPECT_GE(bytes, 16000u);
    EXPECT_LT(bytes, 48000u);
}

TEST(MelodeckDecode, says_so_when_no_reader_accepts_the_file)
{
    test::TempDir dir;
    test::write_file(dir.native("noise.bin"), test::Bytes(100, 0x11));
    std::string path = dir.native("noise.bin").string();
    ToolRun run = decode(path, dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "melodeck-decode: no reader accepts " + path + "\n");
    EXPECT_EQ(decode("", dir).status, 2); // usage
}

TEST(MelodeckDecode, the_equalizer_delays_by_100_ms_and_shapes_the_sound)
{
    test::TempDir dir;
    test::WavSpec spec;
    spec.channels = 1;
    spec.sample_rate = 8000;
    test::ByteWriter tone;
    for (int i = 0; i < 8000; ++i)
        tone.u16(uint16_t(int16_t(i % 16 < 8 ? 8000 : -8000)));
    spec.data = tone.bytes;
    test::write_file(dir.native("in.wav"), test::make_wav(spec));

    ToolRun flat
        = decode(dir.native("in.wav").string() + " --eq 500,1,0 -o " + dir.native("flat.wav").string(), dir);
    ASSERT_EQ(flat.status, 0) << flat.err;
    EXPECT_EQ(data_of(dir.native("flat.wav")), spec.data); // 0 dB: the stage is off

    ToolRun boosted
        = decode(dir.native("in.wav").string() + " --eq 500,1,6 -o " + dir.native("eq.wav").string(), dir);
    ASSERT_EQ(boosted.status, 0) << boosted.err;
    test::Bytes out = data_of(dir.native("eq.wav"));
    ASSERT_EQ(out.size(), spec.data.size());
    EXPECT_EQ(test::Bytes(out.begin(), out.begin() + 1600), test::Bytes(1600, 0)); // 800 frames of delay
    EXPECT_NE(
        test::Bytes(out.begin() + 1600, out.end()), test::Bytes(spec.data.begin(), spec.data.end() - 1600));

    EXPECT_EQ(decode(dir.native("in.wav").string() + " --eq 500,1", dir).status, 2);
}
