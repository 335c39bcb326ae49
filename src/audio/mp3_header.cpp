#include "audio/mp3_header.h"

namespace audio {

namespace {

// kbit/s by row (version - 1) x 3 + (layer - 1) and bitrate index; MPEG-2.5 shares the MPEG-2 rows.
constexpr int32_t s_bitrates[9][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}, // MPEG-1 Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0}, // MPEG-1 Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}, // MPEG-1 Layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}, // MPEG-2 Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}, // MPEG-2 Layer II
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}, // MPEG-2 Layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}, // MPEG-2.5 Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}, // MPEG-2.5 Layer II
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}, // MPEG-2.5 Layer III
};

// Hz by row version - 1 and sampling-frequency index.
constexpr int32_t s_sample_rates[3][4] = {
    {44100, 48000, 32000, 0},
    {22050, 24000, 16000, 0},
    {11025, 12000, 8000, 0},
};

constexpr uint32_t bits(uint32_t h, int low, int count)
{
    return (h >> low) & ((1u << count) - 1);
}

} // namespace

bool is_frame_header(uint32_t h)
{
    // Version 01 is reserved: libmad refuses such frames, so they are no frames for us either.
    return (h & 0xFFE00000u) == 0xFFE00000u && bits(h, 19, 2) != 1 && bits(h, 17, 2) != 0
        && bits(h, 12, 4) != 0 && bits(h, 12, 4) != 15 && bits(h, 10, 2) != 3;
}

bool parse_frame_header(const uint8_t* bytes, MP3Header& header)
{
    uint32_t h = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    if (!is_frame_header(h))
        return false;
    MP3Header out;
    out.version = bits(h, 20, 1) == 0 ? 3 : (bits(h, 19, 1) ? 1 : 2);
    out.layer = 4 - int32_t(bits(h, 17, 2));
    out.channels = bits(h, 6, 2) == 3 ? 1 : 2;
    out.bitrate = s_bitrates[(out.version - 1) * 3 + (out.layer - 1)][bits(h, 12, 4)];
    out.sample_rate = s_sample_rates[out.version - 1][bits(h, 10, 2)];
    if (out.bitrate == 0 || out.sample_rate == 0)
        return false;
    int32_t padding = int32_t(bits(h, 9, 1));
    if (out.layer == 1) {
        out.frame_length = (12000 * out.bitrate / out.sample_rate + padding) * 4;
        out.samples_per_frame = 384;
    } else if (out.layer == 2 || out.version == 1) {
        out.frame_length = 144000 * out.bitrate / out.sample_rate + padding;
        out.samples_per_frame = 1152;
    } else {
        out.frame_length = 72000 * out.bitrate / out.sample_rate + padding;
        out.samples_per_frame = 576;
    }
    header = out;
    return true;
}

} // namespace audio
