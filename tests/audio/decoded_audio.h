#pragma once

// Helpers for the decoder suites: pull a whole stream as 16-bit samples (with its format), take
// channels apart, and compare decoded audio with the signal it was encoded from (exactly, by
// signal-to-noise ratio, or by correlation and level).

#include "audio/blocks.h"
#include "audio/file_reader_wav_pcm.h"
#include "audio/pipeline.h"
#include "liba/text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

namespace test {

using Samples = std::vector<int16_t>;

inline Samples samples_of(const audio::PCMData& block)
{
    Samples out(block.size() / 2);
    std::memcpy(out.data(), block.data.data(), out.size() * 2);
    return out;
}

inline void append(Samples& to, const audio::PCMData& block)
{
    Samples more = samples_of(block);
    to.insert(to.end(), more.begin(), more.end());
}

// Signal-to-noise ratio of got against reference, in dB, over the common length.
inline double snr_db(const Samples& reference, const Samples& got)
{
    double signal = 0, noise = 0;
    for (size_t i = 0; i < std::min(reference.size(), got.size()); ++i) {
        signal += double(reference[i]) * reference[i];
        noise += (double(reference[i]) - got[i]) * (double(reference[i]) - got[i]);
    }
    return noise == 0 ? 1000.0 : 10 * std::log10(signal / noise);
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

// The samples of a 16-bit PCM WAV, read with the PCM reader.
inline std::vector<int16_t> pcm_file_samples(const std::filesystem::path& path)
{
    audio::FileReaderWAVPCM reader(u16(path));
    EXPECT_TRUE(reader.is_open()) << path;
    return decode_all(reader, 4096).samples;
}

inline std::vector<double> channel(const Samples& interleaved, int channels, int index)
{
    std::vector<double> out;
    for (size_t i = size_t(index); i < interleaved.size(); i += size_t(channels))
        out.push_back(interleaved[i]);
    return out;
}

// Normalised correlation of a[from_a ...] with b[from_b ...] over count samples (1: same shape).
inline double correlation(
    const std::vector<double>& a, size_t from_a, const std::vector<double>& b, size_t from_b, size_t count)
{
    double ab = 0, aa = 0, bb = 0;
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
    size_t n = 0; // samples summed
    for (size_t i = from; i < a.size() && n < count; ++i, ++n)
        sum += a[i] * a[i];
    return n == 0 ? 0 : std::sqrt(sum / double(n));
}

// The signal every fixture of tests/fixtures/vorbis_mpc was encoded from: a 0.5 s sweep, 44.1 kHz
// mono, read through the PCM reader.
inline std::vector<double> source_sweep()
{
    return channel(pcm_file_samples(fixture("vorbis_mpc/sweep_44k_mono.wav")), 1, 0);
}

inline constexpr int32_t s_sweep_frames = 22050;

// Pulls blocks of `block` frames until at least `samples` samples came; an early end fails.
inline Samples pull_samples(audio::Provider<audio::PCMData>& provider, int32_t block, size_t samples)
{
    Samples out;
    while (out.size() < samples) {
        audio::PCMData next = provider.get_block(block);
        if (next.empty()) {
            ADD_FAILURE() << "the stream ended after " << out.size() << " samples";
            break;
        }
        append(out, next);
    }
    return out;
}

// A whole stereo fixture: the sweep on the left and -0.5 x the sweep on the right (a swapped or
// mixed channel fails), sample k on sample k (the decoder drops its own delay).
inline void expect_stereo_sweep(const Decoded& decoded)
{
    std::vector<double> source = source_sweep();
    std::vector<double> left = channel(decoded.samples, 2, 0);
    std::vector<double> right = channel(decoded.samples, 2, 1);
    EXPECT_EQ(best_lag(left, source, 64), 0);
    EXPECT_GT(correlation(left, 0, source, 0, source.size()), 0.99);
    EXPECT_LT(correlation(right, 0, source, 0, source.size()), -0.99);
    EXPECT_NEAR(rms(left) / rms(source), 1.0, 0.05);
    EXPECT_NEAR(rms(right) / rms(source), 0.5, 0.05);
}

} // namespace test
