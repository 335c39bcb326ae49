#include "os/wave_out/pcm_to_float.h"

namespace os {

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

namespace {

template<int bits>
void convert(const uint8_t* in, int channels, uint32_t frames, const float* gains, float* out)
{
    constexpr double scale = 1.0 / double(int64_t(1) << (bits - 1));
    for (uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            *out++ = float(pcm_sample<bits>(in) * scale) * gains[c];
            in += bits / 8;
        }
    }
}

} // namespace

bool pcm_to_float(const uint8_t* in, int bits, int channels, uint32_t frames, uint32_t volume, float* out)
{
    if (channels < 1 || channels > 8)
        return false;
    float gains[8];
    for (int c = 0; c < channels; ++c)
        gains[c] = channel_gain(volume, c, channels);
    switch (bits) {
    case 8:
        convert<8>(in, channels, frames, gains, out);
        return true;
    case 16:
        convert<16>(in, channels, frames, gains, out);
        return true;
    case 24:
        convert<24>(in, channels, frames, gains, out);
        return true;
    case 32:
        convert<32>(in, channels, frames, gains, out);
        return true;
    default:
        return false;
    }
}

} // namespace os
