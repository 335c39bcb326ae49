#pragma once

// Helpers for the decoder suites: pulling a whole stream as 16-bit samples and comparing signals.

#include "audio/blocks.h"
#include "audio/file_reader_wav_pcm.h"
#include "audio/pipeline.h"
#include "support/test_support.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

namespace test {

inline std::vector<int16_t> samples_of(const audio::PCMData& block)
{
    std::vector<int16_t> out(block.size() / 2);
    const uint8_t* p = block.data.data();
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>(uint16_t(p[2 * i] | (p[2 * i + 1] << 8)));
    return out;
}

// Pulls until the provider hands out an empty block (bounded, so a stream that never ends fails).
inline std::vector<int16_t> pull_all(audio::Provider<audio::PCMData>& provider, int32_t frames = 4096)
{
    std::vector<int16_t> all;
    for (int pulls = 0; pulls < 100000; ++pulls) {
        audio::PCMData block = provider.get_block(frames);
        if (block.empty())
            return all;
        EXPECT_EQ(block.bits_per_sample, 16);
        std::vector<int16_t> part = samples_of(block);
        all.insert(all.end(), part.begin(), part.end());
    }
    ADD_FAILURE() << "the stream never ended";
    return all;
}

// The samples of a 16-bit PCM WAV, read with the PCM reader.
inline std::vector<int16_t> pcm_file_samples(const std::filesystem::path& path)
{
    audio::FileReaderWAVPCM reader(u16(path));
    EXPECT_TRUE(reader.is_open()) << path;
    return pull_all(reader);
}

// Signal-to-noise ratio of got against reference, in dB, over the common length.
inline double snr_db(const std::vector<int16_t>& reference, const std::vector<int16_t>& got)
{
    double signal = 0;
    double noise = 0;
    for (size_t i = 0; i < std::min(reference.size(), got.size()); ++i) {
        signal += double(reference[i]) * reference[i];
        noise += (double(reference[i]) - got[i]) * (double(reference[i]) - got[i]);
    }
    return noise == 0 ? 1000.0 : 10 * std::log10(signal / noise);
}

} // namespace test
