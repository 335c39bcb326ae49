#include "audio/file_reader_mp3.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace audio {

namespace {

constexpr int64_t s_max_position = std::numeric_limits<int32_t>::max();
// Bytes the search needs at a position: a frame header is 4, an ID3v2 tag header 10.
constexpr int32_t s_lookahead = 10;

// The whole length of the ID3v2 tag whose 10-byte header is at p, or 0 when p holds none.
int64_t id3v2_length(const uint8_t* p)
{
    if (p[0] != 'I' || p[1] != 'D' || p[2] != '3' || p[3] < 2 || p[3] > 4 || p[4] == 0xFF)
        return 0;
    if ((p[6] | p[7] | p[8] | p[9]) & 0x80)
        return 0;
    int64_t size = int64_t(p[6]) << 21 | int64_t(p[7]) << 14 | int64_t(p[8]) << 7 | p[9];
    bool footer = p[3] == 4 && (p[5] & 0x10);
    return 10 + size + (footer ? 10 : 0);
}

} // namespace

FileReaderMP3::FileReaderMP3(std::u16string_view path)
    : FileReaderOfFile(path)
{
    liba::ScopedLock guard(m_lock);
    if (!m_file.good())
        return;
    m_length = static_cast<int32_t>(std::min<int64_t>(m_file.size(), s_max_position));
    // An empty file holds no stream: it is refused like any other file without frames.
    m_valid = m_length > 0 && find_reference() && position() < length();
    // Reading starts again at the beginning of the buffered window; get_block finds the frames again.
    m_offset = 0;
}

// A candidate is accepted when a header that agrees with it starts right where it ends. After a
// failed candidate the search goes on from its next byte, so a false header in junk cannot make
// the search jump over the real first frames.
bool FileReaderMP3::find_reference()
{
    for (;;) {
        MP3Header candidate;
        if (!next_frame(candidate, nullptr))
            return false;
        refill();
        int32_t next = m_offset + candidate.frame_length;
        MP3Header second;
        if (next + 4 <= m_fill && parse_frame_header(&m_buffer[next], second)
            && second.agrees_with(candidate)) {
            m_reference = candidate;
            return true;
        }
        ++m_offset;
    }
}

// Tops the buffer up when fewer than block_size unparsed bytes remain: the unparsed tail moves to
// the front and the file fills the rest. Returns the number of bytes read (0 when nothing was
// needed or the file has no more).
int32_t FileReaderMP3::refill()
{
    if (m_offset <= m_fill - block_size)
        return 0;
    int32_t tail = m_fill - m_offset;
    std::memmove(m_buffer.data(), m_buffer.data() + m_offset, static_cast<size_t>(tail));
    auto count = static_cast<int32_t>(
        m_file.read(m_buffer.data() + tail, static_cast<uint32_t>(buffer_size - tail)));
    m_buffer_end += count;
    m_fill = tail + count;
    m_offset = 0;
    return count;
}

// Searches the buffered bytes from m_offset for a frame header, stepping over ID3v2 tags whole:
// their pictures can hold byte runs that look like agreeing frames. On failure m_offset stands
// at the first position not tested (the last bytes, which may begin a header that the next
// refill completes), or the buffer is empty after a tag that reaches beyond it.
bool FileReaderMP3::find_frame(MP3Header& header)
{
    while (m_offset + s_lookahead <= m_fill) {
        const uint8_t* at = &m_buffer[m_offset];
        if (at[0] == 0xFF && parse_frame_header(at, header) && header.frame_length <= max_frame_length)
            return true;
        int64_t tag = at[0] == 'I' ? id3v2_length(at) : 0;
        if (tag == 0 || !skip_tag(tag))
            ++m_offset;
    }
    return false;
}

// Moves past a tag of the given length that starts at m_offset. A tag said to reach beyond the
// end of the file is not believed (false): its bytes are searched like any others.
bool FileReaderMP3::skip_tag(int64_t tag_length)
{
    int64_t end = m_buffer_end - (m_fill - m_offset) + tag_length;
    if (end > m_length)
        return false;
    if (end <= m_buffer_end) {
        m_offset += static_cast<int32_t>(tag_length);
        return true;
    }
    m_file.seek(static_cast<uint32_t>(end));
    m_buffer_end = end;
    m_fill = 0;
    m_offset = 0;
    return true;
}

// The next frame header (agreeing with match when one is given), reading on through the file as
// far as needed. Every turn moves m_offset or the file forward, so the search ends; at the end of
// the file everything is consumed and the result is false.
bool FileReaderMP3::next_frame(MP3Header& header, const MP3Header* match)
{
    for (;;) {
        if (find_frame(header)) {
            if (!match || header.agrees_with(*match))
                return true;
            ++m_offset;
            continue;
        }
        // find_frame left fewer than s_lookahead bytes, so refill always reads here; 0 means the end.
        if (refill() == 0) {
            m_offset = m_fill;
            return false;
        }
    }
}

// Copies the frame at m_offset with what follows it into a block of its own. The bytes past the
// buffered data (only at the end of the file) are zero.
MP3Data FileReaderMP3::take_frame(const MP3Header& header)
{
    MP3Data block {liba::DataBuffer::make(block_size), static_cast<uint32_t>(header.frame_length)};
    uint8_t* out = block.data.writable();
    int32_t count = std::min(block_size, m_fill - m_offset);
    std::memcpy(out, m_buffer.data() + m_offset, static_cast<size_t>(count));
    std::memset(out + count, 0, static_cast<size_t>(block_size - count));
    m_offset += header.frame_length;
    return block;
}

// True when an agreeing header starts right where the frame at m_offset ends, or the file ends
// there. Expects a refill just before.
bool FileReaderMP3::is_followed_by_frame(const MP3Header& header)
{
    int32_t next = m_offset + header.frame_length;
    if (file_offset() + header.frame_length >= m_length)
        return true;
    MP3Header second;
    return next + 4 <= m_fill && parse_frame_header(&m_buffer[next], second) && second.agrees_with(header);
}

// The first frame at or after the position sought, with the frames before it as its prelude. The
// search began prime_bytes before that position (seek_position); its first frame must be followed
// by another, and the frames after it are taken as they follow one another.
MP3Data FileReaderMP3::frame_after_seek(MP3Header& header)
{
    std::vector<uint8_t> prelude;
    bool synchronised = false;
    for (;;) {
        refill();
        if (!next_frame(header, &m_reference)) {
            // No frame after the position: the reader is at the end of the file.
            m_seek_target = -1;
            return MP3Data {};
        }
        refill();
        if (!synchronised && !is_followed_by_frame(header)) {
            ++m_offset;
            continue;
        }
        synchronised = true;
        if (file_offset() >= m_seek_target || m_offset + header.frame_length > m_fill)
            break;
        // The frames lie between the start of the search and the position sought, so the
        // prelude holds at most prime_bytes.
        prelude.insert(
            prelude.end(), m_buffer.begin() + m_offset, m_buffer.begin() + m_offset + header.frame_length);
        m_offset += header.frame_length;
    }
    m_seek_target = -1;
    if (m_offset + header.frame_length > m_fill) {
        m_offset = m_fill;
        return MP3Data {};
    }
    MP3Data block = take_frame(header);
    block.restart = true;
    if (!prelude.empty()) {
        block.prelude = liba::DataBuffer::make(uint32_t(prelude.size()));
        std::memcpy(block.prelude.writable(), prelude.data(), prelude.size());
    }
    return block;
}

MP3Data FileReaderMP3::get_block(int32_t)
{
    liba::ScopedLock guard(m_lock);
    if (!is_open() || is_end())
        return MP3Data {};
    MP3Header header;
    if (m_seek_target >= 0)
        return frame_after_seek(header);
    refill();
    if (!next_frame(header, &m_reference))
        return MP3Data {};
    refill();
    // After a refill at least block_size bytes follow m_offset unless the file ends first: a frame
    // that does not fit is cut by the end of the file and is dropped.
    if (m_offset + header.frame_length > m_fill) {
        m_offset = m_fill;
        return MP3Data {};
    }
    return take_frame(header);
}

unsigned FileReaderMP3::channels()
{
    return static_cast<unsigned>(m_reference.channels);
}

unsigned FileReaderMP3::bits_per_sample()
{
    return 16;
}

unsigned FileReaderMP3::sample_rate()
{
    return static_cast<unsigned>(m_reference.sample_rate);
}

unsigned FileReaderMP3::bitrate()
{
    return static_cast<unsigned>(m_reference.bitrate) * 1000u;
}

int32_t FileReaderMP3::time_to_position(double seconds)
{
    double bytes = m_reference.bitrate * seconds * 125.0;
    if (!(bytes > 0.0))
        return 0;
    return static_cast<int32_t>(std::min<double>(std::trunc(bytes), s_max_position));
}

double FileReaderMP3::position_to_time(int32_t position)
{
    if (m_reference.bitrate == 0)
        return 0.0;
    return static_cast<double>(position) * 8.0 / m_reference.bitrate * 0.001;
}

int32_t FileReaderMP3::length()
{
    liba::ScopedLock guard(m_lock);
    return m_length;
}

int32_t FileReaderMP3::position()
{
    liba::ScopedLock guard(m_lock);
    if (m_seek_target >= 0)
        return static_cast<int32_t>(m_seek_target);
    return static_cast<int32_t>(std::clamp<int64_t>(file_offset(), 0, s_max_position));
}

void FileReaderMP3::seek_position(int32_t position)
{
    liba::ScopedLock guard(m_lock);
    int32_t p = std::clamp(position, 0, m_length);
    int32_t start = std::max(0, p - prime_bytes);
    m_file.seek(static_cast<uint32_t>(start));
    m_buffer_end = start;
    m_fill = 0;
    m_offset = 0;
    m_seek_target = p;
}

bool FileReaderMP3::skip_time(double seconds)
{
    double start = time();
    while (time() - start < seconds) {
        MP3Data block = get_block(1);
        if (block.empty())
            return false;
        deliver(block);
    }
    return true;
}

bool FileReaderMP3::skip_forward(int32_t bytes)
{
    int64_t start = position();
    while (int64_t(position()) - start < bytes) {
        MP3Data block = get_block(1);
        if (block.empty())
            return false;
        deliver(block);
    }
    return true;
}

} // namespace audio
