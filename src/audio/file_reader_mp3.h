#pragma once

// MPEG audio files (MPEG-1, -2 and -2.5, Layers I to III): finds the frames in the file and hands
// them out one per get_block as MP3Data blocks for DecoderMP3. Only frame headers and the headers
// of ID3v2 tags are read: a tag is skipped whole, and junk or anything else that is not a frame is
// stepped over by the search byte by byte.
//
// Opening looks for two agreeing frames in a row (the second right where the first ends); the
// first of them becomes the reference, and every frame handed out later must agree with it in
// version, layer, channels, sample rate and samples per frame (bitrate and length may change, so
// variable-bitrate files play).
//
// Position unit: bytes of the file. Times come from the reference frame's bitrate, so the
// duration of a variable-bitrate file is only an estimate (file size / first bitrate).
//
// Threads and locks: get_block runs on the player's thread (under the decoder's lock); the UI
// thread calls is_open, is_end, length, position and seek_position. Each of these holds the
// reader's lock for its whole body. channels, sample_rate, bitrate and the conversions read only
// the reference fixed at opening and take no lock. skip_time and skip_forward push blocks to the
// connected decoder, so they run without the reader's lock held across the push.

#include "audio/blocks.h"
#include "audio/file_reader.h"
#include "audio/mp3_header.h"
#include "audio/pipeline.h"
#include "liba/critical_section.h"
#include "os/file.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace audio {

class FileReaderMP3 : public Provider<MP3Data>, public FileReaderOfFile {
public:
    // File bytes held at once; topped up when fewer than block_size unparsed bytes remain.
    static constexpr int32_t buffer_size = 10000;
    // Bytes of every MP3Data block: the frame and what follows it in the file (zeros past the end).
    static constexpr int32_t block_size = 2000;
    // The longest frame a block can carry with the decoder's 8 guard bytes after it. Only MPEG-2.5
    // Layer II frames at high bitrates are longer; they are not taken for frames.
    static constexpr int32_t max_frame_length = block_size - 8;
    // How far before a seek's position the search for frames begins: the frames found there form
    // the prelude that restores the decoder's state. A Layer III frame may take up to 511 bytes of
    // its data from the frames before it, and its sound overlaps the frame before it; 4096 bytes
    // hold at least two whole frames of any stream, and more of the short ones.
    static constexpr int32_t prime_bytes = 4096;

    // Never fails; callers test is_open().
    explicit FileReaderMP3(std::u16string_view path);

    // One frame per call (the count is ignored): a block of block_size bytes beginning with the
    // frame header. Empty at the end of the file, when no further agreeing frame is found, or when
    // the reader is not open.
    MP3Data get_block(int32_t ignored) override;

    unsigned channels() override;
    unsigned bits_per_sample() override;
    unsigned sample_rate() override;
    // Of the reference frame, in bits per second.
    unsigned bitrate() override;
    int32_t time_to_position(double seconds) override;
    double position_to_time(int32_t position) override;
    int32_t length() override;
    // The file offset of the next byte not yet searched or handed out.
    int32_t position() override;
    // Clamped to [0, length]. The next get_block hands out the first frame that starts at or
    // after the position, found by a search that begins up to prime_bytes before it and accepts a
    // frame only when an agreeing header follows it (or the file ends), so a frame-like pattern
    // inside the audio data is not taken for a frame. That block is marked restart and carries the
    // frames found before the position as its prelude; position() reads the position sought until
    // then.
    void seek_position(int32_t position) override;
    bool skip_time(double seconds) override;
    bool skip_forward(int32_t bytes) override;

    const MP3Header& reference() const { return m_reference; }

private:
    // The helpers below expect the caller to hold m_lock.
    bool find_reference();
    int32_t refill();
    bool find_frame(MP3Header& header);
    bool skip_tag(int64_t tag_length);
    bool next_frame(MP3Header& header, const MP3Header* match);
    MP3Data take_frame(const MP3Header& header);
    MP3Data frame_after_seek(MP3Header& header);
    bool is_followed_by_frame(const MP3Header& header);
    int64_t file_offset() const { return m_buffer_end - (m_fill - m_offset); }

    int32_t m_length = 0;
    MP3Header m_reference;
    // The file offset just past the last byte read into the buffer.
    int64_t m_buffer_end = 0;
    // Always 0 <= m_offset <= m_fill <= buffer_size.
    std::array<uint8_t, buffer_size> m_buffer {};
    int32_t m_fill = 0;
    int32_t m_offset = 0;
    // The position of the last seek while its frame has not been handed out yet, else -1.
    int64_t m_seek_target = -1;
};

} // namespace audio
