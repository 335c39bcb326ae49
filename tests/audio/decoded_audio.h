#pragma once

// Helpers for the lossy decoder suites: pull a whole stream with its format, take channels apart,
// and compare decoded audio with the signal it was encoded from by correlation and level (not
// bytes). Builds on decoded_samples.h.

#include "audio/blocks.h"
#include "audio/file_reader_wav_pcm.h"
#include "audio/pipeline.h"
#include "decoded_samples.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace test {

using Samples = std::vector<int16_t>;

inline void append(Samples& to, const audio::PCMData& block)
{
    Samples more = samples_of(block);
    to.insert(to.end(), more.begin(), more.end());
}

struct Decoded {
    Samples samples; // interleaved
    int32_t channels = 0;
    int32_t sample_rate = 0;
    int64_t frames = 0;
    int blocks = 0;
    bool ragged = false; // a block that was not whole 16-bit frames, or changed format
};

// Pulls blocks of at most `frames` until an empty one (or max_blocks, so a stream that never ends
// fails the test instead of hanging it).
inline Decoded decode_all(audio::Provider<audio::PCMData>& provider, int32_t frames, int max_blocks = 100000)
{
    Decoded out;
    for (int i = 0; i < max_blocks; ++i) {
        audio::PCMData block = provider.get_block(frames);
        if (block.empty())
            return out;
        if (out.blocks == 0) {
            out.channels = block.channels;
            out.sample_rate = block.sample_rate;
        }
        if (block.bits_per_sample != 16 || block.size() % block.frame_size() != 0
            || !block.same_format({{}, out.channels, 16, out.sample_rate}))
            out.ragged = true;
        out.frames += block.frames();
        ++out.blocks;
        append(out.samples, block);
    }
    ADD_FAILURE() << "stream did not end after " << max_blocks << " blocks";
    return out;
}

inline std::vector<double> channel(const Samples& interleaved, int channels, int index)
{
    std::vector<double> out;
    for (size_t i = size_t(index); i < interleaved.size(); i += size_t(channels))
        out.push_back(interleaved[i]);
    return out;
}

inline std::vector<double> as_doubles(const Samples& samples)
{
    return std::vector<double>(samples.begin(), samples.end());
}

// Normalised correlation of a[from_a ...] with b[from_b ...] over count samples (1: same shape).
inline double correlation(
    const std::vector<double>& a, size_t from_a, const std::vector<double>& b, size_t from_b, size_t count)
{
    double ab = 0;
    double aa = 0;
    double bb = 0;
    for (size_t i = 0; i < count && from_a + i < a.size() && from_b + i < b.size(); ++i) {
        ab += a[from_a + i] * b[from_b + i];
        aa += a[from_a + i] * a[from_a + i];
        bb += b[from_b + i] * b[from_b + i];
    }
    if (aa == 0 || bb == 0)
        return 0;
    return ab / std::sqrt(aa * bb);
}

// The shift d in -max_lag..max_lag for which a[i + d] best matches b[i].
inline int best_lag(const std::vector<double>& a, const std::vector<double>& b, int max_lag)
{
    int best = 0;
    double best_value = -2;
    for (int d = -max_lag; d <= max_lag; ++d) {
        size_t from_a = d > 0 ? size_t(d) : 0;
        size_t from_b = d < 0 ? size_t(-d) : 0;
        double value = correlation(a, from_a, b, from_b, std::min(a.size(), b.size()));
        if (value > best_value) {
            best_value = value;
            best = d;
        }
    }
    return best;
}

inline double rms(const std::vector<double>& a, size_t from = 0, size_t count = SIZE_MAX)
{
    double sum = 0;
    size_t n = 0;
    for (size_t i = from; i < a.size() && n < count; ++i, ++n)
        sum += a[i] * a[i];
    return n == 0 ? 0 : std::sqrt(sum / double(n));
}

// The signal every fixture of tests/fixtures/vorbis_mpc was encoded from: a 0.5 s sweep, 44.1 kHz
// mono, read through the PCM reader.
inline std::vector<double> source_sweep()
{
    return as_doubles(pcm_file_samples(fixture("vorbis_mpc/sweep_44k_mono.wav")));
}

inline constexpr int32_t s_sweep_frames = 22050;

} // namespace test
