#pragma once

// Musepack (stream versions 7 and 8): reads and decodes the file through libmpcdec's demuxer and is
// itself the PCM provider of its chain. Position unit: sample frames (bookmarks store them).
//
// One library frame (up to 1152 sample frames) is decoded at a time into `pending`, converted to
// 16-bit interleaved PCM; blocks are views cut from it without copying. The position counts every
// frame decoded, so it can stand up to one library frame ahead of what has been handed out. A seek
// leaves `pending` alone: what was decoded before it is handed out first.
//
// Threads: get_block runs on the player's thread while the UI thread asks for position, length
// and seek_position; the library and `pending` are used only under the reader's own recursive
// lock. channels, sample_rate and bitrate return values fixed at opening and take no lock.

#include "audio/blocks.h"
#include "audio/frame_position.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace audio {

class DecoderMPC : public FrameDecoder {
public:
    // Never fails; a file whose Musepack header cannot be read gives a reader that is not open,
    // with 0 channels.
    explicit DecoderMPC(std::u16string_view path);
    ~DecoderMPC() override;

    // At most `frames` frames from `pending`, decoding the next library frame first when it is
    // empty. At the end of the stream, on a decoding error, or when not open: an empty block with
    // format 0, which ends the stream for the chain.
    PCMData get_block(int32_t frames) override;

    // The channel count is not 0.
    bool is_open() override;
    // Not open, or the position has reached the length.
    bool is_end() override;
    // bitrate(): the header's average.

    int32_t length() override;
    int32_t position() override;
    // Held inside 0..length(); the position is set at once, the library moves to that frame.
    void seek_position(int32_t position) override;

private:
    struct Library;

    // Decodes library frames until one holds samples; empty at the end or on an error.
    // Called with the lock held.
    PCMData decode_frame();

    std::unique_ptr<Library> m_library; // null when the header was refused
    int32_t m_sample_position = 0;
    int32_t m_total_samples = 0;
    int64_t m_max_silent_frames = 0;
    // The library reported the end of the stream or an error; it must not be asked to decode again
    // (it reads out of bounds when it is) until a seek.
    bool m_stream_ended = false;
    PCMData m_pending;
};

} // namespace audio
