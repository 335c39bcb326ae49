#include "audio/decoder_mp3.h"

#include "audio/mp3_header.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <mad.h>
#include <new>
#include <vector>

namespace audio {

static_assert(sizeof(mad_fixed_t) == sizeof(int32_t), "libmad must be the 32-bit fixed-point build");

// The libmad state of one decoder, in the order libmad's own decoder keeps it.
struct DecoderMP3::MadDecoder {
    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
};

void DecoderMP3::MadDeleter::operator()(MadDecoder* mad) const
{
    mad_frame_finish(&mad->frame);
    mad_stream_finish(&mad->stream);
    std::free(mad);
}

DecoderMP3::DecoderMP3()
{
    auto* mad = static_cast<MadDecoder*>(std::calloc(1, sizeof(MadDecoder)));
    if (!mad)
        throw std::bad_alloc();
    mad_stream_init(&mad->stream);
    mad_frame_init(&mad->frame);
    mad_synth_init(&mad->synth);
    m_mad.reset(mad);
}

DecoderMP3::~DecoderMP3() = default;

namespace {

// One channel into every step-th 16-bit slot of out. A sample that clips is replaced by the
// clipped value before it is quantised, so the error carried on is never more than the part of a
// step that quantising dropped: the overshoot beyond full scale is dropped, not spread over the
// samples after it (which made audible clicks). The sum is 64-bit because libmad's samples may
// already lie near the ends of the 32-bit range.
void channel_to_pcm(uint8_t* out, size_t step, uint32_t count, const int32_t* in)
{
    constexpr int64_t one = 0x10000000;
    constexpr int shift = 29 - 16;
    constexpr int64_t keep = ~((int64_t(1) << shift) - 1);
    int64_t error = 0;
    for (uint32_t i = 0; i < count; ++i, out += step) {
        int64_t v = in[i] + error;
        // One unsigned comparison tests both ends of [-1.0, 1.0).
        if (static_cast<uint64_t>(v + one) >= static_cast<uint64_t>(2 * one)) [[unlikely]]
            v = v < 0 ? -one : one - 1;
        int64_t quantised = v & keep;
        error = v - quantised;
        auto sample = static_cast<uint16_t>(quantised >> shift);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, &sample, 2);
        } else {
            out[0] = static_cast<uint8_t>(sample);
            out[1] = static_cast<uint8_t>(sample >> 8);
        }
    }
}

} // namespace

void to_pcm(uint8_t* out, uint32_t count, const int32_t* left, const int32_t* right)
{
    channel_to_pcm(out, right ? 4 : 2, count, left);
    if (right)
        channel_to_pcm(out + 2, 4, count, right);
}

DecoderMP3::Result DecoderMP3::decode_frame(const uint8_t* input, uint32_t input_length, uint8_t* output,
    uint32_t capacity, uint32_t& consumed, uint32_t& produced)
{
    consumed = produced = 0;
    MadDecoder& mad = *m_mad;
    mad_stream_buffer(&mad.stream, input, input_length);
    if (mad_frame_decode(&mad.frame, &mad.stream) != 0) {
        if (mad.stream.error == MAD_ERROR_BUFLEN)
            return NeedMoreInput;
        return MAD_RECOVERABLE(mad.stream.error) ? RecoverableError : FatalError;
    }
    mad.frame.options &= ~MAD_OPTION_HALFSAMPLERATE;
    mad_synth_frame(&mad.synth, &mad.frame);
    const mad_pcm& pcm = mad.synth.pcm;
    uint32_t needed = uint32_t(pcm.channels) * pcm.length * 2;
    if (capacity < needed)
        return OutputTooSmall;
    to_pcm(output, pcm.length, pcm.samples[0], pcm.channels == 2 ? pcm.samples[1] : nullptr);
    produced = needed;
    consumed = static_cast<uint32_t>(mad.stream.next_frame - input);
    return Decoded;
}

void DecoderMP3::restart(const MP3Data& coded)
{
    MadDecoder& mad = *m_mad;
    mad_frame_finish(&mad.frame);
    mad_stream_finish(&mad.stream);
    mad_stream_init(&mad.stream);
    mad_frame_init(&mad.frame);
    mad_synth_init(&mad.synth);
    size_t prelude = coded.prelude.size();
    if (prelude == 0)
        return;
    // The prelude followed by the frame's own block: a Layer III frame keeps as much of its data
    // for the next frames as the next frame's side information asks for, so libmad must see the
    // beginning of each next frame, the block's frame included, to fill the bit reservoir.
    std::vector<uint8_t> input(coded.prelude.data(), coded.prelude.data() + prelude);
    input.insert(input.end(), coded.data.data(), coded.data.data() + coded.size());
    mad_stream_buffer(&mad.stream, input.data(), input.size());
    while (size_t(mad.stream.next_frame - input.data()) < prelude) {
        if (mad_frame_decode(&mad.frame, &mad.stream) == 0) {
            mad.frame.options &= ~MAD_OPTION_HALFSAMPLERATE;
            mad_synth_frame(&mad.synth, &mad.frame);
        } else if (!MAD_RECOVERABLE(mad.stream.error)) {
            break;
        }
    }
}

PCMData DecoderMP3::decode_block(const MP3Data& coded)
{
    if (coded.restart)
        restart(coded);
    MP3Header header;
    if (coded.size() < 4 || !parse_frame_header(coded.data.data(), header))
        return PCMData {};
    auto size = static_cast<uint32_t>(header.channels * header.samples_per_frame * 16 / 8);
    PCMData out {liba::DataBuffer::make(size), header.channels, 16, header.sample_rate};
    uint32_t consumed = 0;
    uint32_t produced = 0;
    if (decode_frame(coded.data.data(), coded.size(), out.data.writable(), size, consumed, produced)
        != Decoded)
        return PCMData {};
    // libmad's output always fills the block; a shorter one is cut so that no unwritten byte goes out.
    if (produced < size)
        out = out.slice(0, produced);
    return out;
}

} // namespace audio
