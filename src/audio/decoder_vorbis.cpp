#include "audio/decoder_vorbis.h"

#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <limits>

namespace audio {

namespace {

constexpr int32_t s_max_block_frames = 8192;

size_t read_callback(void* buffer, size_t size, size_t count, void* source)
{
    return vorbis_source::read(*static_cast<os::File*>(source), buffer, size, count);
}

int seek_callback(void* source, ogg_int64_t offset, int whence)
{
    return vorbis_source::seek(*static_cast<os::File*>(source), offset, whence);
}

// The file belongs to the reader and is closed by it.
int close_callback(void*)
{
    return 0;
}

long tell_callback(void* source)
{
    return vorbis_source::tell(*static_cast<os::File*>(source));
}

constexpr ov_callbacks s_callbacks = {read_callback, seek_callback, close_callback, tell_callback};

// The library divides by the duration in whole milliseconds, so a stream shorter than one would
// crash it; and it counts the bytes up to the start of the last page only, so a file of one or two
// pages of sound comes out at 0. The encoder's nominal rate stands in for both.
unsigned average_bitrate(OggVorbis_File& file, const vorbis_info& info)
{
    long average = ov_time_total(&file, -1) > 0 ? ov_bitrate(&file, -1) : 0;
    if (average <= 0)
        average = info.bitrate_nominal;
    return static_cast<unsigned>(std::max<long>(average, 0));
}

} // namespace

size_t vorbis_source::read(os::File& file, void* buffer, size_t size, size_t count)
{
    if (size == 0 || count == 0)
        return 0;
    size_t items = std::min<size_t>(count, std::numeric_limits<uint32_t>::max() / size);
    return file.read(buffer, static_cast<uint32_t>(items * size)) / size;
}

int vorbis_source::seek(os::File& file, int64_t offset, int whence)
{
    int64_t base = 0;
    switch (whence) {
    case 0:
        break;
    case 1:
        base = file.tell();
        break;
    case 2:
        base = file.size();
        break;
    default:
        return -1;
    }
    constexpr int64_t limit = std::numeric_limits<uint32_t>::max();
    // base is at most 2^32 - 1, so the sum cannot overflow once offset is inside +-2^33.
    if (offset < -2 * limit || offset > 2 * limit)
        return -1;
    int64_t target = base + offset;
    if (target < 0 || target > limit)
        return -1;
    return file.seek(static_cast<uint32_t>(target)) ? 0 : -1;
}

long vorbis_source::tell(os::File& file)
{
    return static_cast<long>(file.tell());
}

struct DecoderVorbis::Stream {
    OggVorbis_File file {};
};

DecoderVorbis::DecoderVorbis(std::u16string_view path)
    : FrameDecoder(path)
{
    if (!m_file.good())
        return;
    auto stream = std::make_unique<Stream>();
    // On failure the library has released what it allocated.
    if (ov_open_callbacks(&m_file, &stream->file, nullptr, 0, s_callbacks) < 0)
        return;
    vorbis_info* info = ov_info(&stream->file, -1);
    if (!info || info->channels <= 0 || info->rate <= 0) {
        ov_clear(&stream->file);
        return;
    }
    m_channels = static_cast<unsigned>(info->channels);
    m_sample_rate = static_cast<unsigned>(info->rate);
    m_bitrate = average_bitrate(stream->file, *info);
    m_stream = std::move(stream);
}

DecoderVorbis::~DecoderVorbis()
{
    liba::ScopedLock guard(m_lock);
    if (m_stream)
        ov_clear(&m_stream->file);
}

PCMData DecoderVorbis::get_block(int32_t frames)
{
    liba::ScopedLock guard(m_lock);
    if (!m_stream)
        return PCMData {};
    OggVorbis_File* file = &m_stream->file;
    // The stream about to be read decides the frame size (a chained file may change it).
    vorbis_info* info = ov_info(file, -1);
    if (!info || info->channels <= 0)
        return PCMData {};
    auto channels = static_cast<uint32_t>(info->channels);
    auto bytes = static_cast<uint32_t>(std::clamp(frames, 0, s_max_block_frames)) * channels * 2;
    liba::DataBuffer buffer = liba::DataBuffer::make(bytes);
    int section = 0;
    long got
        = bytes == 0 ? 0 : ov_read(file, reinterpret_cast<char*>(buffer.writable()), int(bytes), &section);
    if (got < 0 || static_cast<unsigned long>(got) > bytes)
        return PCMData {};
    info = ov_info(file, -1);
    if (!info)
        return PCMData {};
    return PCMData {
        buffer.slice(0, static_cast<uint32_t>(got)), info->channels, 16, static_cast<int32_t>(info->rate)};
}

bool DecoderVorbis::is_open()
{
    liba::ScopedLock guard(m_lock);
    return m_stream != nullptr;
}

bool DecoderVorbis::is_end()
{
    liba::ScopedLock guard(m_lock);
    return !m_stream || position() == length();
}

int32_t DecoderVorbis::length()
{
    liba::ScopedLock guard(m_lock);
    if (!m_stream)
        return 0;
    return clamp_frames(ov_pcm_total(&m_stream->file, -1));
}

int32_t DecoderVorbis::position()
{
    liba::ScopedLock guard(m_lock);
    if (!m_stream)
        return 0;
    return clamp_frames(ov_pcm_tell(&m_stream->file));
}

void DecoderVorbis::seek_position(int32_t position)
{
    liba::ScopedLock guard(m_lock);
    if (m_stream)
        ov_pcm_seek(&m_stream->file, position);
}

} // namespace audio
