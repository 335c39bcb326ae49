#include "audio/decoder_mpc.h"

#include <mpc/mpcdec.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace audio {

namespace {

os::File& file_of(mpc_reader* reader)
{
    return *static_cast<os::File*>(reader->data);
}

mpc_int32_t read_callback(mpc_reader* reader, void* buffer, mpc_int32_t size)
{
    if (size <= 0)
        return 0;
    return static_cast<mpc_int32_t>(file_of(reader).read(buffer, static_cast<uint32_t>(size)));
}

mpc_bool_t seek_callback(mpc_reader* reader, mpc_int32_t offset)
{
    if (offset < 0)
        return MPC_FALSE;
    return file_of(reader).seek(static_cast<uint32_t>(offset)) ? MPC_TRUE : MPC_FALSE;
}

mpc_int32_t clamp_offset(uint32_t offset)
{
    return static_cast<mpc_int32_t>(std::min<uint32_t>(offset, std::numeric_limits<mpc_int32_t>::max()));
}

mpc_int32_t tell_callback(mpc_reader* reader)
{
    return clamp_offset(file_of(reader).tell());
}

mpc_int32_t get_size_callback(mpc_reader* reader)
{
    return clamp_offset(file_of(reader).size());
}

mpc_bool_t canseek_callback(mpc_reader*)
{
    return MPC_TRUE;
}

// Library samples (full scale +-1.0) as 16-bit little-endian, rounded half away from zero and
// clamped; NaN becomes the minimum. This runs for every sample, so it is written for the compiler to
// vectorise: no call into the maths library, no branch.
void to_int16(const MPC_SAMPLE_FORMAT* in, uint32_t count, uint8_t* out)
{
    int16_t converted[MPC_DECODER_BUFFER_LENGTH];
    for (uint32_t done = 0; done < count;) {
        uint32_t n = std::min<uint32_t>(count - done, MPC_DECODER_BUFFER_LENGTH);
        for (uint32_t i = 0; i < n; ++i) {
            float scaled = static_cast<float>(in[done + i]) * 32768.0f;
            scaled = scaled > -32768.0f ? scaled : -32768.0f; // NaN too
            scaled = scaled < 32767.0f ? scaled : 32767.0f;
            converted[i] = static_cast<int16_t>(static_cast<int32_t>(scaled + std::copysign(0.5f, scaled)));
        }
        std::memcpy(out + 2 * done, converted, 2 * n);
        done += n;
    }
}

// Frames that hold no samples come before the first sound and after every seek, while the decoder
// skips to the frame sought; never more than the stream has frames. A stream that goes on giving
// empty frames past that (a header without a length) is taken as ended.
constexpr int64_t s_spare_silent_frames = 64;

// The most sample frames the file can hold. Stream version 7 starts every frame with a 20-bit size
// field; a header that claims more frames than that is cut down, or a seek far into a short file
// would have the library walk millions of empty frames. Version 8 frames have no such floor.
int64_t most_samples(const mpc_streaminfo& info, uint32_t file_size)
{
    if (info.stream_version != 7)
        return std::numeric_limits<int64_t>::max();
    return (int64_t(file_size) * 8 / 20 + 1) * MPC_FRAME_LENGTH;
}

} // namespace

struct DecoderMPC::Library {
    mpc_reader reader {};
    mpc_demux* demux = nullptr;
    mpc_streaminfo stream_info {};
    MPC_SAMPLE_FORMAT samples[MPC_DECODER_BUFFER_LENGTH];

    ~Library()
    {
        if (demux)
            mpc_demux_exit(demux);
    }
};

DecoderMPC::DecoderMPC(std::u16string_view path)
    : FrameDecoder(path)
{
    if (!m_file.good())
        return;
    auto library = std::make_unique<Library>();
    library->reader
        = {read_callback, seek_callback, tell_callback, get_size_callback, canseek_callback, &m_file};
    library->demux = mpc_demux_init(&library->reader);
    if (!library->demux)
        return;
    mpc_streaminfo& info = library->stream_info;
    mpc_demux_get_info(library->demux, &info);
    // The decoder synthesises at most two channels into a buffer sized for two.
    if (info.channels < 1 || info.channels > 2 || info.sample_freq == 0)
        return;
    m_channels = info.channels;
    m_sample_rate = info.sample_freq;
    double bitrate = info.average_bitrate;
    m_bitrate
        = bitrate >= 0 && bitrate < double(std::numeric_limits<unsigned>::max()) ? unsigned(bitrate) : 0;
    m_total_samples
        = clamp_frames(std::min(mpc_streaminfo_get_length_samples(&info), most_samples(info, m_file.size())));
    uint64_t frames = info.samples / MPC_FRAME_LENGTH;
    m_max_silent_frames
        = static_cast<int64_t>(std::min<uint64_t>(frames, std::numeric_limits<int32_t>::max()))
        + s_spare_silent_frames;
    m_library = std::move(library);
}

DecoderMPC::~DecoderMPC()
{
    liba::ScopedLock guard(m_lock);
    m_library.reset();
    m_pending = PCMData {};
}

PCMData DecoderMPC::decode_frame()
{
    if (m_stream_ended)
        return PCMData {};
    mpc_frame_info frame {};
    frame.buffer = m_library->samples;
    for (int64_t silent = 0; silent <= m_max_silent_frames; ++silent) {
        // A failure also marks the frame as the last one.
        if (mpc_demux_decode(m_library->demux, &frame) != MPC_STATUS_OK || frame.bits == -1) {
            m_stream_ended = true;
            return PCMData {};
        }
        if (frame.samples == 0)
            continue;
        uint32_t count = std::min<uint32_t>(frame.samples, MPC_FRAME_LENGTH) * m_channels;
        PCMData block {liba::DataBuffer::make(count * 2), int32_t(m_channels), 16, int32_t(m_sample_rate)};
        to_int16(m_library->samples, count, block.data.writable());
        m_sample_position = static_cast<int32_t>(std::min<int64_t>(
            int64_t(m_sample_position) + count / m_channels, std::numeric_limits<int32_t>::max()));
        return block;
    }
    m_stream_ended = true;
    return PCMData {};
}

PCMData DecoderMPC::get_block(int32_t frames)
{
    liba::ScopedLock guard(m_lock);
    if (!m_library)
        return PCMData {};
    if (m_pending.empty()) {
        m_pending = decode_frame();
        if (m_pending.empty())
            return PCMData {};
    }
    uint32_t take
        = std::min<uint32_t>(uint32_t(std::max(frames, 0)), m_pending.frames()) * m_pending.frame_size();
    PCMData block = m_pending.slice(0, take);
    m_pending = m_pending.slice(take, m_pending.size() - take);
    return block;
}

bool DecoderMPC::is_open()
{
    liba::ScopedLock guard(m_lock);
    return m_channels != 0;
}

bool DecoderMPC::is_end()
{
    liba::ScopedLock guard(m_lock);
    return !is_open() || position() >= length();
}

int32_t DecoderMPC::length()
{
    liba::ScopedLock guard(m_lock);
    return m_total_samples;
}

int32_t DecoderMPC::position()
{
    liba::ScopedLock guard(m_lock);
    return m_sample_position;
}

void DecoderMPC::seek_position(int32_t position)
{
    liba::ScopedLock guard(m_lock);
    if (!m_library)
        return;
    m_sample_position = std::clamp(position, 0, m_total_samples);
    if (mpc_demux_seek_sample(m_library->demux, static_cast<mpc_uint64_t>(m_sample_position))
        == MPC_STATUS_OK)
        m_stream_ended = false;
}

} // namespace audio
