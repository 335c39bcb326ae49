#pragma once

// Helpers of the audio suites: streams pulled whole, channels compared, hand-made MPEG frames.

#include "audio/blocks.h"
#include "audio/file_reader_wav_pcm.h"
#include "audio/pipeline.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <tuple>
#include <vector>

namespace test {

using Samples = std::vector<int16_t>;

inline void append(Samples& to, const audio::PCMData& block)
{
    size_t at = to.size();
    to.resize(at + block.size() / 2);
    std::memcpy(to.data() + at, block.data.data(), block.size() / 2 * 2);
}

struct Decoded {
    Samples samples; // interleaved
    int32_t channels = 0, sample_rate = 0;
    int64_t frames = 0;
    bool ragged = false; // a block that was not whole 16-bit frames, or changed format
};

// Pulls blocks of at most `frames` until an empty one; a stream that never ends fails.
inline Decoded decode_all(audio::Provider<audio::PCMData>& provider, int32_t frames)
{
    Decoded out;
    for (int i = 0; i < 100000; ++i) {
        audio::PCMData block = provider.get_block(frames);
        if (block.empty())
            return out;
        if (i == 0)
            std::tie(out.channels, out.sample_rate) = std::tie(block.channels, block.sample_rate);
        out.ragged |= block.bits_per_sample != 16 || block.size() % block.frame_size() != 0
            || !block.same_format({{}, out.channels, 16, out.sample_rate});
        out.frames += block.frames();
        append(out.samples, block);
    }
    ADD_FAILURE() << "the stream did not end";
    return out;
}

inline Samples pcm_file_samples(const std::filesystem::path& path)
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
    return aa == 0 || bb == 0 ? 0 : ab / std::sqrt(aa * bb);
}

// The shift d in -max_lag..max_lag for which a[i + d] best matches b[i].
inline int best_lag(const std::vector<double>& a, const std::vector<double>& b, int max_lag)
{
    auto at
        = [&](int d) { return correlation(a, size_t(std::max(d, 0)), b, size_t(std::max(-d, 0)), a.size()); };
    int best = -max_lag;
    for (int d = -max_lag + 1; d <= max_lag; ++d)
        best = at(d) > at(best) ? d : best;
    return best;
}

inline double rms(const std::vector<double>& a)
{
    return a.empty() ? 0
                     : std::sqrt(std::inner_product(a.begin(), a.end(), a.begin(), 0.0) / double(a.size()));
}

// The stereo fixtures of vorbis_mpc: the 0.5 s sweep on the left, -0.5 x the sweep on the right.
inline void expect_stereo_sweep(const Samples& samples)
{
    std::vector<double> source = channel(pcm_file_samples(fixture("vorbis_mpc/sweep_44k_mono.wav")), 1, 0),
                        left = channel(samples, 2, 0), right = channel(samples, 2, 1);
    EXPECT_EQ(best_lag(left, source, 64), 0);
    EXPECT_GT(correlation(left, 0, source, 0, source.size()), 0.99);
    EXPECT_LT(correlation(right, 0, source, 0, source.size()), -0.99);
    EXPECT_NEAR(rms(left) / rms(source), 1.0, 0.05);
    EXPECT_NEAR(rms(right) / rms(source), 0.5, 0.05);
}

// MPEG audio frame headers; the version field values are those of bits 20-19.
enum Version : uint32_t { MPEG25 = 0, Reserved = 1, MPEG2 = 2, MPEG1 = 3 };

struct Frame {
    uint32_t version = MPEG1;
    uint32_t layer = 3;
    uint32_t bitrate_index = 9; // 128 kbit/s for MPEG-1 Layer III
    uint32_t rate_index = 0; // 44100 Hz for MPEG-1
    bool padding = false;
    bool mono = false;
};

inline uint32_t header_value(const Frame& f)
{
    return 0xFFE00000u | f.version << 19 | (4 - f.layer) << 17 | 1u << 16 | f.bitrate_index << 12
        | f.rate_index << 10 | uint32_t(f.padding) << 9 | (f.mono ? 3u : 0u) << 6;
}

// The header followed by zeros up to length bytes (4: the header alone).
inline Bytes frame_bytes(const Frame& f, size_t length = 4)
{
    uint32_t h = header_value(f);
    Bytes bytes = {uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h)};
    bytes.resize(length, 0);
    return bytes;
}

inline Bytes cat(const std::vector<Bytes>& parts)
{
    Bytes out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// count MPEG-1 Layer III frames at 128 kbit/s, 44100 Hz, stereo: 417 bytes each.
inline Bytes plain_frames(int count)
{
    return cat(std::vector<Bytes>(size_t(count), frame_bytes({}, 417)));
}

// Bytes that hold no 0xFF and so no frame header.
inline Bytes junk(size_t size, uint32_t seed = 1)
{
    Bytes out(size);
    for (auto& b : out) {
        seed = seed * 1103515245u + 12345u;
        b = uint8_t((seed >> 16) % 255);
    }
    return out;
}

} // namespace test
