// Seeking in a long MP3 audiobook, as the position bar does it: the reader moves to a fraction of
// the file's length, and the chain (reader and decoder) hands out the first sound of the new
// place, decoded from the frame at that position. Each iteration is one seek, alternately to 0.7
// of the length and back to 0.1. Goal: 20 ms a seek.
//
// The files are made by ./scripts/bench (a minute of encoded audio repeated to 20 hours, constant
// and variable bitrate) and named by MELODECK_SEEK_MP3 and MELODECK_SEEK_MP3_VBR; without them the
// benchmarks report an error and measure nothing.

#include "audio/play_chain.h"
#include "liba/text.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

void seek_back_and_forth(benchmark::State& state, const char* variable)
{
    const char* path = std::getenv(variable);
    std::unique_ptr<audio::PlayChain> chain
        = path ? audio::create_play_chain(liba::from_utf8(path)) : nullptr;
    if (!chain) {
        state.SkipWithError("no MP3 file named by the environment");
        return;
    }
    audio::FileReader& reader = chain->get_reader();
    audio::Provider<audio::PCMData>& provider = chain->get_provider();
    provider.get_block(4096);
    bool forward = true;
    size_t frames = 0;
    for (auto _ : state) {
        reader.seek_position(int32_t(double(reader.length()) * (forward ? 0.7 : 0.1)));
        audio::PCMData block = provider.get_block(4096);
        frames += block.frames();
        forward = !forward;
    }
    state.counters["hours"] = reader.duration() / 3600.0;
    state.counters["MiB"] = double(reader.length()) / (1024.0 * 1024.0);
    state.counters["frames_per_seek"] = double(frames) / double(state.iterations());
    state.SetLabel("goal <= 20 ms a seek");
}

void BM_SeekConstantBitrate(benchmark::State& state)
{
    seek_back_and_forth(state, "MELODECK_SEEK_MP3");
}

void BM_SeekVariableBitrate(benchmark::State& state)
{
    seek_back_and_forth(state, "MELODECK_SEEK_MP3_VBR");
}

} // namespace

BENCHMARK(BM_SeekConstantBitrate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SeekVariableBitrate)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
