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
#include "audio/file_reader.h"
#include "audio/pipeline.h"
#include "liba/critical_section.h"
#include "liba/nocopy.h"
#include "os/file.h"

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

class DecoderVorbis : public Provider<PCMData>, public FileReader, private liba::Nocopy {
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
    unsigned channels() override { return m_channels; }
    unsigned bits_per_sample() override { return 16; }
    unsigned sample_rate() override { return m_sample_rate; }
    // The average over the whole file in bits per second; the encoder's nominal rate when the
    // library cannot tell.
    unsigned bitrate() override { return m_average_bitrate; }
    int32_t time_to_position(double seconds) override;
    double position_to_time(int32_t position) override;

    int32_t length() override;
    int32_t position() override;
    // The library moves to the frame; a position outside the stream is ignored.
    void seek_position(int32_t position) override;
    bool skip_time(double seconds) override;
    bool skip_forward(int32_t frames) override;

private:
    struct Stream;

    os::File m_file;
    std::unique_ptr<Stream> m_stream; // null when the file did not open as Ogg Vorbis
    unsigned m_channels = 0;
    unsigned m_sample_rate = 0;
    unsigned m_average_bitrate = 0;
    liba::CriticalSection m_lock;
};

} // namespace audio
