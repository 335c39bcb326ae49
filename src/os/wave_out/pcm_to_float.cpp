#include "os/wave_out/pcm_to_float.h"

namespace os {

namespace {

// The sample at p as a fraction of full scale.
float sample_at(const uint8_t* p, int bits)
{
    switch (bits) {
    case 8:
        return float(int(p[0]) - 128) * (1.0f / 128.0f);
    case 16:
        return float(int16_t(uint16_t(p[0] | p[1] << 8))) * (1.0f / 32768.0f);
    case 24: {
        // Shift into the top of a 32-bit word so that the sign comes along.
        auto v = int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24);
        return float(v >> 8) * (1.0f / 8388608.0f);
    }
    default: {
        auto v = int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
        return float(double(v) * (1.0 / 2147483648.0));
    }
    }
}

} // namespace

float channel_gain(uint32_t volume, int channel, int channels)
{
    float left = float(volume & 0xFFFF) / 65535.0f;
    float right = float(volume >> 16) / 65535.0f;
    if (channels == 1 || channel == 0)
        return left;
    if (channel == 1)
        return right;
    return (left + right) / 2.0f;
}

bool pcm_to_float(const uint8_t* in, int bits, int channels, uint32_t frames, uint32_t volume, float* out)
{
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (channels < 1 || channels > 8)
        return false;
    float gains[8];
    for (int c = 0; c < channels; ++c)
        gains[c] = channel_gain(volume, c, channels);
    const int bytes = bits / 8;
    for (uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            *out++ = sample_at(in, bits) * gains[c];
            in += bytes;
        }
    }
    return true;
}

} // namespace os
