#include "audio/file_reader_wav_pcm.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace audio {

FileReaderWAVPCM::FileReaderWAVPCM(std::u16string_view path)
    : FileReaderWAV(path)
{
    open(m_info);
    if (!m_valid)
        return;
    uint64_t available = m_file.size() > m_info.data_start ? m_file.size() - m_info.data_start : 0;
    uint64_t bytes = std::min<uint64_t>({m_info.data_size, available, std::numeric_limits<int32_t>::max()});
    if (m_info.block_align > 0)
        bytes -= bytes % m_info.block_align;
    m_length = static_cast<int32_t>(bytes);
}

PCMData FileReaderWAVPCM::get_block(int32_t frames)
{
    liba::ScopedLock guard(m_lock);
    if (!is_open())
        return PCMData {};
    int64_t requested = int64_t(m_info.block_align) * std::max<int32_t>(frames, 0);
    int64_t remaining = std::max<int64_t>(int64_t(length()) - position(), 0);
    auto n = static_cast<uint32_t>(std::min(requested, remaining));
    PCMData block {liba::DataBuffer::make(n), int32_t(m_info.channels), int32_t(m_info.bits_per_sample),
        int32_t(m_info.sample_rate)};
    if (n > 0 && m_file.read(block.data.writable(), n) != n)
        return PCMData {};
    return block;
}

int32_t FileReaderWAVPCM::length()
{
    liba::ScopedLock guard(m_lock);
    return m_length;
}

int32_t FileReaderWAVPCM::position()
{
    liba::ScopedLock guard(m_lock);
    return static_cast<int32_t>(int64_t(m_file.tell()) - m_info.data_start);
}

void FileReaderWAVPCM::seek_position(int32_t position)
{
    liba::ScopedLock guard(m_lock);
    if (m_info.block_align == 0)
        return;
    int64_t p = position - position % int32_t(m_info.block_align);
    p = std::clamp<int64_t>(p, 0, m_length);
    m_file.seek(static_cast<uint32_t>(m_info.data_start + p));
}

int32_t FileReaderWAVPCM::time_to_position(double seconds)
{
    double frames = static_cast<double>(m_info.sample_rate) * seconds;
    double bytes = static_cast<double>(static_cast<int64_t>(frames)) * m_info.block_align;
    return static_cast<int32_t>(
        std::clamp<double>(bytes, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

double FileReaderWAVPCM::position_to_time(int32_t position)
{
    if (m_info.block_align == 0 || m_info.sample_rate == 0)
        return 0.0;
    return static_cast<double>(position) / m_info.block_align / m_info.sample_rate;
}

bool FileReaderWAVPCM::skip_time(double seconds)
{
    double frames = static_cast<double>(m_info.sample_rate) * seconds;
    int64_t bytes = static_cast<int64_t>(frames) * m_info.block_align;
    return skip_forward(
        static_cast<int32_t>(std::clamp<int64_t>(bytes, 0, std::numeric_limits<int32_t>::max())));
}

bool FileReaderWAVPCM::skip_forward(int32_t bytes)
{
    if (!is_open() || m_info.block_align == 0)
        return false;
    int64_t frames = bytes / m_info.block_align;
    while (frames > 0) {
        PCMData block = get_block(static_cast<int32_t>(std::min<int64_t>(frames, 5000)));
        if (block.empty() || block.frames() == 0)
            return false;
        deliver(block);
        frames -= block.frames();
    }
    return true;
}

} // namespace audio
