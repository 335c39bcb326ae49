#pragma once

// Ogg Vorbis: reads and decodes the file through Tremor's vorbisfile interface and is itself the
// PCM provider of its chain. Blocks are 16-bit interleaved, at most 8192 frames each, filled
// directly by the library. Position unit: sample frames (bookmarks store them).
//
// Threads: get_block runs on the player's thread while the UI thread asks for position, length
// and seek_position; every use of the library state happens under the reader's own recursive
// lock. channels, sample_rate and bitrate return values fixed at opening and take no lock.
//
// In a chained Ogg file (several Vorbis streams one after the other) each block carries the format
// of the stream it came from, while channels(), sample_rate() and the time conversions describe
// the first stream.

#include "audio/blocks.h"
#include "audio/frame_position.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace audio {

// The data-source callbacks the library reads the file through (stdio-like).
namespace vorbis_source {
// Reads size x count bytes; returns the number of whole items read.
size_t read(os::File& file, void* buffer, size_t size, size_t count);
// whence 0: from the start, 1: from the current position, 2: from the end. Returns 0 when the file
// moved, -1 when it did not: unknown whence, a target before the start or beyond the 32-bit range
// of the file, or a file that refuses. The library takes -1 as "not seekable" or as a read error,
// so a failure must never be answered with 0.
int seek(os::File& file, int64_t offset, int whence);
long tell(os::File& file);
} // namespace vorbis_source

class DecoderVorbis : public FrameDecoder {
public:
    // Never fails; a file that does not open as Ogg Vorbis gives a reader that is not open.
    explicit DecoderVorbis(std::u16string_view path);
    ~DecoderVorbis() override;

    // At most min(frames, 8192) frames, often fewer. At the end of the stream an empty block with
    // the format set; on a decoding error (or a hole in the stream) or when not open, an empty
    // block with format 0. Either ends the stream for the chain.
    PCMData get_block(int32_t frames) override;

    bool is_open() override;
    // Not open, or the position equals the length exactly.
    bool is_end() override;
    // bitrate(): the average over the whole file; the encoder's nominal rate when the library
    // cannot tell.

    int32_t length() override;
    int32_t position() override;
    // The library moves to the frame; a position outside the stream is ignored.
    void seek_position(int32_t position) override;

private:
    struct Stream;

    std::unique_ptr<Stream> m_stream; // null when the file did not open as Ogg Vorbis
};

} // namespace audio
