#include "audio/decoder_adpcm.h"

#include "liba/little_endian.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace audio {

namespace {

constexpr int32_t s_coefficients[7][2]
    = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
constexpr int32_t s_adaptation[16]
    = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
constexpr int32_t s_min_delta = 16;
// Keeps adaptation x delta inside 32 bits on hostile input; valid streams stay far below.
constexpr int32_t s_max_delta = std::numeric_limits<int32_t>::max() / 768;
constexpr uint32_t s_header_bytes_per_channel = 7;

struct ChannelState {
    int32_t sample1 = 0;
    int32_t sample2 = 0;
    int32_t delta = 0;
    int32_t c1 = 0;
    int32_t c2 = 0;
};

int32_t s16_at(const uint8_t* p)
{
    return static_cast<int16_t>(liba::load_le16(p));
}

void put_s16(uint8_t* p, int32_t value)
{
    auto v = static_cast<uint16_t>(value);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, 2);
    } else {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
    }
}

// One 4-bit code: predict from the last two samples, add the scaled code, adapt the step.
inline int32_t step(ChannelState& state, uint32_t code)
{
    int32_t predicted = (state.sample1 * state.c1 + state.sample2 * state.c2) >> 8;
    // The code as a signed 4-bit number: 8..15 stand for -8..-1.
    int32_t signed_code = int32_t(code ^ 8) - 8;
    int32_t value = std::clamp(predicted + state.delta * signed_code, -32768, 32767);
    state.sample2 = state.sample1;
    state.sample1 = value;
    state.delta = std::clamp((s_adaptation[code] * state.delta) >> 8, s_min_delta, s_max_delta);
    return value;
}

// Reads the header of every channel; false on a bad predictor index.
template<uint32_t C> bool read_header(const uint8_t* input, ChannelState (&states)[C])
{
    for (uint32_t ch = 0; ch < C; ++ch) {
        uint8_t predictor = input[ch];
        if (predictor >= 7)
            return false;
        states[ch].c1 = s_coefficients[predictor][0];
        states[ch].c2 = s_coefficients[predictor][1];
        states[ch].delta = s16_at(input + C + 2 * ch);
        states[ch].sample1 = s16_at(input + 3 * C + 2 * ch);
        states[ch].sample2 = s16_at(input + 5 * C + 2 * ch);
    }
    return true;
}

// Each code byte holds two codes, high nibble first: successive samples in mono, the left and the
// right sample of one frame in stereo. The header's two samples of each channel come first.
template<uint32_t C> bool decode(const uint8_t* input, uint8_t* output, uint32_t samples)
{
    ChannelState states[C];
    if (!read_header<C>(input, states))
        return false;
    for (uint32_t ch = 0; ch < C; ++ch) {
        put_s16(output + 2 * ch, states[ch].sample2);
        put_s16(output + 2 * (C + ch), states[ch].sample1);
    }
    const uint8_t* codes = input + s_header_bytes_per_channel * C;
    uint8_t* out = output + 4 * C;
    uint32_t count = (samples - 2) * C;
    ChannelState& first = states[0];
    ChannelState& second = states[C - 1];
    for (uint32_t i = 0; i < count / 2; ++i, out += 4) {
        uint8_t byte = codes[i];
        put_s16(out, step(first, byte >> 4));
        put_s16(out + 2, step(second, byte & 0x0F));
    }
    // An odd number of codes (mono only) ends on a high nibble.
    if (count % 2 != 0)
        put_s16(out, step(first, codes[count / 2] >> 4));
    return true;
}

} // namespace

uint32_t adpcm_samples_per_block(uint32_t block_align, uint32_t channels)
{
    if (channels < 1 || channels > 2 || block_align <= s_header_bytes_per_channel * channels)
        return 0;
    // Two 4-bit codes per byte after the header.
    return (block_align - s_header_bytes_per_channel * channels) * 8 / (channels * 4) + 2;
}

bool decode_adpcm_block(
    const uint8_t* input, size_t input_size, uint8_t* output, uint32_t channels, uint32_t samples)
{
    if (channels < 1 || channels > 2 || samples < 2)
        return false;
    uint64_t code_bytes = (uint64_t(samples - 2) * channels + 1) / 2;
    if (input_size < s_header_bytes_per_channel * channels + code_bytes)
        return false;
    return channels == 1 ? decode<1>(input, output, samples) : decode<2>(input, output, samples);
}

PCMData DecoderADPCM::decode_block(const ADPCMData& coded)
{
    uint32_t channels = coded.channels;
    uint32_t samples = coded.bits_per_sample == 4 ? adpcm_samples_per_block(coded.block_align, channels) : 0;
    if (samples == 0)
        return {};
    uint32_t blocks = coded.size() / coded.block_align;
    uint64_t block_bytes = uint64_t(channels) * samples * 2;
    uint64_t total = block_bytes * blocks;
    if (blocks == 0 || total > std::numeric_limits<uint32_t>::max())
        return {};
    PCMData out {liba::DataBuffer::make(static_cast<uint32_t>(total)), int32_t(channels), 16,
        static_cast<int32_t>(std::min<uint32_t>(coded.sample_rate, std::numeric_limits<int32_t>::max()))};
    uint8_t* pcm = out.data.writable();
    const uint8_t* input = coded.data.data();
    for (uint32_t b = 0; b < blocks; ++b) {
        uint8_t* target = pcm + b * block_bytes;
        if (!decode_adpcm_block(input + b * coded.block_align, coded.block_align, target, channels, samples))
            std::fill_n(target, block_bytes, uint8_t(0));
    }
    return out;
}

} // namespace audio
