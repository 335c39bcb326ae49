#include "audio/file_reader_wav.h"

#include "liba/little_endian.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace audio {

namespace {

// Chunk ids in the wild are letters, digits and spaces ("LIST", "fmt ", "id3 ").
bool looks_like_id(const char id[4])
{
    for (int i = 0; i < 4; ++i) {
        char c = id[i];
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' '
            || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

bool read_id(liba::ResourceReader& file, char id[4])
{
    return file.read(id, 4) == 4;
}

// A little-endian u16 or u32.
template<typename Value> bool read_le(liba::ResourceReader& file, Value& value)
{
    uint8_t b[sizeof(Value)];
    if (file.read(b, sizeof(Value)) != sizeof(Value))
        return false;
    if constexpr (sizeof(Value) == 2)
        value = liba::load_le16(b);
    else
        value = liba::load_le32(b);
    return true;
}

} // namespace

bool expect_tag(liba::ResourceReader& file, std::string_view tag)
{
    char id[4];
    return read_id(file, id) && tag.size() == 4 && std::memcmp(id, tag.data(), 4) == 0;
}

bool read_u16(liba::ResourceReader& file, uint16_t& value)
{
    return read_le(file, value);
}

bool read_u32(liba::ResourceReader& file, uint32_t& value)
{
    return read_le(file, value);
}

bool find_chunk(liba::ResourceReader& file, const WAVInfo& info, std::string_view tag, uint32_t& size)
{
    uint64_t file_size = file.size();
    uint64_t position = 20 + uint64_t(info.fmt_size) + (info.fmt_size & 1);
    // Every step moves forward by at least the 8 header bytes, so the walk ends.
    while (position + 8 <= file_size) {
        char id[4];
        if (!file.seek(static_cast<uint32_t>(position)) || !read_id(file, id) || !read_u32(file, size))
            return false;
        if (tag.size() == 4 && std::memcmp(id, tag.data(), 4) == 0)
            return true;
        uint64_t next = position + 8 + size;
        if (size & 1) {
            // RIFF pads odd chunks to an even size; some writers forget the pad byte. Take the
            // padded position unless only the unpadded one holds something like a chunk id, or
            // the unpadded one is the very chunk searched for.
            char padded[4];
            bool pad_ok = next + 1 + 4 <= file_size && file.seek(static_cast<uint32_t>(next + 1))
                && read_id(file, padded) && looks_like_id(padded);
            char unpadded[4];
            bool unpad_ok = next + 4 <= file_size && file.seek(static_cast<uint32_t>(next))
                && read_id(file, unpadded) && looks_like_id(unpadded);
            bool unpadded_is_tag = unpad_ok && tag.size() == 4 && std::memcmp(unpadded, tag.data(), 4) == 0;
            if (!unpadded_is_tag && (pad_ok || !unpad_ok))
                next += 1;
        }
        position = next;
    }
    return false;
}

bool open_wav(WAVInfo& info, liba::ResourceReader& file)
{
    if (!file.good())
        return false;
    if (!expect_tag(file, "RIFF") || !read_u32(file, info.riff_size) || !expect_tag(file, "WAVE")
        || !expect_tag(file, "fmt ") || !read_u32(file, info.fmt_size))
        return false;
    uint16_t channels = 0;
    uint16_t bits = 0;
    if (!read_u16(file, info.format_tag) || !read_u16(file, channels) || !read_u32(file, info.sample_rate)
        || !read_u32(file, info.avg_bytes_per_sec) || !read_u16(file, info.block_align)
        || !read_u16(file, bits))
        return false;
    info.channels = channels;
    info.bits_per_sample = bits;
    if (!info.read_extension(file))
        return false;
    if (!find_chunk(file, info, "data", info.data_size))
        return false;
    info.data_start = file.tell();
    return true;
}

FileReaderWAV::FileReaderWAV(std::u16string_view path)
    : FileReaderOfFile(path)
{
}

void FileReaderWAV::open(WAVInfo& record)
{
    m_valid = open_wav(record, m_file);
}

unsigned FileReaderWAV::channels()
{
    liba::ScopedLock guard(m_lock);
    return info().channels;
}

unsigned FileReaderWAV::bits_per_sample()
{
    liba::ScopedLock guard(m_lock);
    return info().bits_per_sample;
}

unsigned FileReaderWAV::sample_rate()
{
    liba::ScopedLock guard(m_lock);
    return info().sample_rate;
}

unsigned FileReaderWAV::bitrate()
{
    liba::ScopedLock guard(m_lock);
    const WAVInfo& header = info();
    if (header.avg_bytes_per_sec != 0)
        return header.avg_bytes_per_sec * 8;
    // Some writers leave the average at 0: it follows from the block size and the frames per block.
    uint32_t frames = frames_per_block();
    if (frames == 0)
        return 0;
    return unsigned(
        std::min<uint64_t>(uint64_t(header.block_align) * 8 * header.sample_rate / frames, UINT32_MAX));
}

} // namespace audio
