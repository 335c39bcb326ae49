#include "audio/file_reader_wav_blocks.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace audio {

namespace {

int32_t clamp_to_int32(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int32_t>(
        std::clamp<double>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

FileReaderWAVBlocks::FileReaderWAVBlocks(std::u16string_view path, int32_t skip_piece)
    : FileReaderWAV(path)
    , m_skip_piece(skip_piece)
{
}

bool WAVInfoBlocks::read_fact(liba::ResourceReader& file)
{
    uint32_t fact_size = 0;
    return !find_chunk(file, *this, "fact", fact_size) || read_u32(file, fact_samples);
}

void FileReaderWAVBlocks::open(WAVInfoBlocks& record)
{
    FileReaderWAV::open(record);
    m_samples_per_block = record.samples_per_block;
    if (!m_valid || record.block_align == 0)
        return;
    uint64_t available = m_file.size() > record.data_start ? m_file.size() - record.data_start : 0;
    uint64_t blocks = std::min<uint64_t>(record.data_size, available) / record.block_align;
    if (record.fact_samples > 0 && m_samples_per_block > 0) {
        uint64_t from_fact = (uint64_t(record.fact_samples) + m_samples_per_block - 1) / m_samples_per_block;
        blocks = std::min(blocks, from_fact);
    }
    m_length = static_cast<int32_t>(std::min<uint64_t>(blocks, std::numeric_limits<int32_t>::max()));
}

int32_t FileReaderWAVBlocks::length()
{
    liba::ScopedLock guard(m_lock);
    return m_length;
}

int32_t FileReaderWAVBlocks::position()
{
    liba::ScopedLock guard(m_lock);
    return m_current_block;
}

void FileReaderWAVBlocks::seek_position(int32_t block)
{
    liba::ScopedLock guard(m_lock);
    block = std::clamp(block, 0, m_length);
    if (block == m_current_block)
        return;
    // Within the data the file holds, so the offset fits the file's 32-bit positions.
    const WAVInfo& record = info();
    m_file.seek(static_cast<uint32_t>(record.data_start + uint64_t(record.block_align) * uint32_t(block)));
    m_current_block = block;
}

liba::DataBuffer FileReaderWAVBlocks::read_blocks(int32_t count)
{
    liba::ScopedLock guard(m_lock);
    int32_t remaining = std::max(m_length - m_current_block, 0);
    int32_t blocks = std::min(count, remaining);
    if (!m_valid || blocks <= 0)
        return {};
    const WAVInfo& record = info();
    // No more than the file holds: the length was cut to it.
    auto bytes = static_cast<uint32_t>(uint64_t(record.block_align) * uint32_t(blocks));
    liba::DataBuffer buffer = liba::DataBuffer::make(bytes);
    uint32_t got = m_file.read(buffer.writable(), bytes);
    uint32_t whole = got / record.block_align;
    m_current_block += static_cast<int32_t>(whole);
    if (got % record.block_align != 0)
        m_file.seek(static_cast<uint32_t>(
            record.data_start + uint64_t(record.block_align) * uint32_t(m_current_block)));
    if (whole == 0)
        return {};
    return buffer.slice(0, whole * record.block_align);
}

int32_t FileReaderWAVBlocks::time_to_position(double seconds)
{
    if (m_samples_per_block == 0)
        return 0;
    return clamp_to_int32(std::trunc(info().sample_rate * seconds / m_samples_per_block));
}

double FileReaderWAVBlocks::position_to_time(int32_t block)
{
    if (info().sample_rate == 0)
        return 0.0;
    return static_cast<double>(m_samples_per_block) * block / info().sample_rate;
}

bool FileReaderWAVBlocks::skip_time(double seconds)
{
    if (m_samples_per_block == 0)
        return false;
    return skip_forward(clamp_to_int32(std::trunc(sample_rate() * seconds / m_samples_per_block)));
}

bool FileReaderWAVBlocks::skip_forward(int32_t blocks)
{
    if (!is_open())
        return false;
    while (blocks > 0) {
        int32_t delivered = deliver_blocks(std::min(blocks, m_skip_piece));
        if (delivered <= 0)
            return false;
        blocks -= delivered;
    }
    return true;
}

} // namespace audio
