#include "os/wave_out/pcm_to_float.h"

#include "liba/little_endian.h"

namespace os {

int32_t pcm_sample(const uint8_t* p, int bits)
{
    switch (bits) {
    case 8:
        return int32_t(p[0]) - 128;
    case 16:
        return int16_t(liba::load_le16(p));
    case 24:
        // Shifted into the top of a 32-bit word so that the sign comes along.
        return int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
    default:
        return int32_t(liba::load_le32(p));
    }
}

double pcm_full_scale(int bits)
{
    switch (bits) {
    case 8:
        return 128.0;
    case 16:
        return 32768.0;
    case 24:
        return 8388608.0;
    case 32:
        return 2147483648.0;
    default:
        return 0.0;
    }
}

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
    const double scale = 1.0 / pcm_full_scale(bits);
    for (uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            *out++ = float(pcm_sample(in, bits) * scale) * gains[c];
            in += bytes;
        }
    }
    return true;
}

} // namespace os
