#include "audio/decoder_gsm.h"

#include <algorithm>
#include <gsm.h>
#include <limits>

namespace audio {

namespace {

constexpr uint32_t s_block_bytes = 65;
constexpr uint32_t s_first_half_bytes = 33;
constexpr uint32_t s_frame_samples = 160;
constexpr uint32_t s_block_samples = 2 * s_frame_samples;

void put_frame(uint8_t* out, const gsm_signal (&frame)[s_frame_samples])
{
    for (uint32_t i = 0; i < s_frame_samples; ++i) {
        auto v = static_cast<uint16_t>(frame[i]);
        out[2 * i] = uint8_t(v);
        out[2 * i + 1] = uint8_t(v >> 8);
    }
}

} // namespace

struct DecoderGSM::Codec {
    gsm state = nullptr;

    Codec()
        : state(gsm_create())
    {
        int wav49 = 1;
        if (state)
            gsm_option(state, GSM_OPT_WAV49, &wav49);
    }
    ~Codec()
    {
        if (state)
            gsm_destroy(state);
    }
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;
};

DecoderGSM::DecoderGSM()
    : m_codec(std::make_unique<Codec>())
{
}

DecoderGSM::~DecoderGSM() = default;

int32_t DecoderGSM::units_for_frames(int32_t frames)
{
    return static_cast<int32_t>((int64_t(frames) + s_frame_samples - 1) / s_frame_samples);
}

PCMData DecoderGSM::decode_block(const GSMData& coded)
{
    // The PCM is ten times the coded size: keep it within 32-bit buffer sizes.
    uint32_t blocks = std::min(
        coded.size() / s_block_bytes, std::numeric_limits<uint32_t>::max() / (s_block_samples * 2));
    if (blocks == 0)
        return {};
    PCMData out {liba::DataBuffer::make(blocks * s_block_samples * 2), 1, 16, 8000};
    uint8_t* pcm = out.data.writable();
    if (!m_codec->state) {
        out.data.fill(0);
        return out;
    }
    // libgsm takes the frame bytes through a non-const pointer but only reads them.
    auto* input = const_cast<gsm_byte*>(coded.data.data());
    gsm_signal frame[s_frame_samples];
    for (uint32_t b = 0; b < blocks; ++b) {
        gsm_byte* block = input + b * s_block_bytes;
        uint8_t* target = pcm + b * s_block_samples * 2;
        // The first call unpacks 33 bytes, the second the 32 that follow: WAV49 alternates.
        gsm_decode(m_codec->state, block, frame);
        put_frame(target, frame);
        gsm_decode(m_codec->state, block + s_first_half_bytes, frame);
        put_frame(target + s_frame_samples * 2, frame);
    }
    return out;
}

} // namespace audio
