// melodeck-decode --play, run as a separate process on the file and null sound backends.

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct ToolRun {
    int status = -1;
    std::string output;
};

// Runs the tool with the given environment assignments and arguments (words are quoted).
ToolRun run_tool(const std::string& environment, const std::vector<std::string>& arguments)
{
    std::string command = "env -u MELODECK_AUDIO " + environment + " '" MELODECK_BIN_DIR "/melodeck-decode'";
    for (const std::string& argument : arguments)
        command += " '" + argument + "'";
    command += " 2>&1";
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        run.output.append(buffer, n);
    run.status = pclose(pipe);
    return run;
}

std::vector<uint8_t> wav_data(const std::filesystem::path& path)
{
    std::vector<uint8_t> file = test::read_file(path);
    return file.size() < 44 ? std::vector<uint8_t> {} : std::vector<uint8_t>(file.begin() + 44, file.end());
}

std::filesystem::path ramp_wav(const test::TempDir& dir, uint32_t samples, uint16_t channels, uint32_t rate)
{
    test::WavSpec spec;
    spec.channels = channels;
    spec.sample_rate = rate;
    spec.data = test::ramp16(samples);
    std::filesystem::path path = dir.native("ramp.wav");
    test::write_file(path, test::make_wav(spec));
    return path;
}

TEST(MelodeckDecodePlay, plays_the_whole_file_into_the_file_backend)
{
    test::TempDir dir;
    std::filesystem::path input = ramp_wav(dir, 44100 * 2 * 2 + 6, 2, 44100);
    std::filesystem::path output = dir.native("played.wav");
    ToolRun run = run_tool("MELODECK_AUDIO='file:" + output.string() + ",fast'", {input.string(), "--play"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("played position=352812 time=2.000"), std::string::npos) << run.output;
    EXPECT_TRUE(wav_data(output) == test::ramp16(44100 * 2 * 2 + 6)) << "the end must not be cut";
}

TEST(MelodeckDecodePlay, seeks_before_playing)
{
    test::TempDir dir;
    std::filesystem::path input = ramp_wav(dir, 8000, 1, 8000);
    std::filesystem::path output = dir.native("played.wav");
    ToolRun run = run_tool(
        "MELODECK_AUDIO='file:" + output.string() + ",fast'", {input.string(), "--seek", "1000", "--play"});
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<uint8_t> ramp = test::ramp16(8000);
    EXPECT_TRUE(wav_data(output) == std::vector<uint8_t>(ramp.begin() + 1000, ramp.end()));
}

TEST(MelodeckDecodePlay, max_seconds_stops_early_with_what_was_played_intact)
{
    test::TempDir dir;
    std::filesystem::path input = ramp_wav(dir, 8000 * 60, 1, 8000); // a minute
    std::filesystem::path output = dir.native("played.wav");
    ToolRun run = run_tool(
        "MELODECK_AUDIO='file:" + output.string() + "'", {input.string(), "--play", "--max-seconds", "0.2"});
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<uint8_t> played = wav_data(output);
    std::vector<uint8_t> ramp = test::ramp16(8000 * 60);
    EXPECT_LT(played.size(), ramp.size());
    EXPECT_TRUE(std::equal(played.begin(), played.end(), ramp.begin())) << "a prefix of the file";
}

TEST(MelodeckDecodePlay, falls_back_to_silence_when_no_sound_device_opens)
{
    test::TempDir dir;
    std::filesystem::path input = ramp_wav(dir, 1600, 1, 8000); // 0.2 s
    ToolRun run = run_tool("SDL_AUDIODRIVER=no_such_driver", {input.string(), "--play"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("played position=3200"), std::string::npos) << run.output;
}

TEST(MelodeckDecodePlay, an_unwritable_backend_file_is_an_error)
{
    test::TempDir dir;
    std::filesystem::path input = ramp_wav(dir, 1600, 1, 8000);
    ToolRun run = run_tool(
        "MELODECK_AUDIO='file:" + dir.native("none/x.wav").string() + ",fast'", {input.string(), "--play"});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.output.find("did not open"), std::string::npos) << run.output;
}

TEST(MelodeckDecodePlay, playing_and_writing_at_once_is_a_usage_error)
{
    test::TempDir dir;
    std::filesystem::path input = ramp_wav(dir, 1600, 1, 8000);
    ToolRun run = run_tool("", {input.string(), "--play", "-o", dir.native("x.wav").string()});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.output.find("usage:"), std::string::npos);
}

} // namespace
