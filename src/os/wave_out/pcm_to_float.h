#pragma once

// The sound backend's sample conversion, kept apart as plain functions: the device is opened for
// 32-bit float samples at the stream's rate and channel count (the sound system converts rate and
// channel layout from there), so every PCM width is converted here, with the volume applied.

#include "liba/little_endian.h"

#include <cstdint>

namespace os {

// The gain of one channel under a volume word (left in the low 16 bits, right in the high 16
// bits, 0xFFFF = 1.0). Mono takes the left half; of more channels, channel 0 takes the left half,
// channel 1 the right half and the others the mean of both.
float channel_gain(uint32_t volume, int channel, int channels);

// One little-endian PCM sample (8-bit unsigned, 16, 24 or 32-bit signed) as a signed value, 8-bit
// samples centred on 0: -full scale .. full scale - 1. The template reads a width known at
// compile time, for loops over whole buffers.
template<int bits> int32_t pcm_sample(const uint8_t* p)
{
    if constexpr (bits == 8) {
        return int32_t(p[0]) - 128;
    } else if constexpr (bits == 16) {
        return int16_t(liba::load_le16(p));
    } else if constexpr (bits == 24) {
        // Shifted into the top of a 32-bit word so that the sign comes along.
        return int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
    } else {
        return int32_t(liba::load_le32(p));
    }
}
// The full scale of a width: 128, 32768, 8388608 or 2147483648; 0 for any other width.
double pcm_full_scale(int bits);

// Converts frames of interleaved little-endian PCM (8-bit unsigned, 16, 24 or 32-bit signed; 1 to
// 8 channels) to float samples in -1..1 scaled by the channel gains. False, writing nothing, for
// any other format.
bool pcm_to_float(const uint8_t* in, int bits, int channels, uint32_t frames, uint32_t volume, float* out);

} // namespace os
