#pragma once

// PCM WAV (format tag 1): blocks are the file's sample bytes as stored, read straight into the
// block buffer. Position unit: bytes of the data chunk. The length is the data chunk's declared
// size, cut to the whole frames the file really holds, so a truncated file or a streamed one
// (sizes 0xFFFFFFFF) plays to its last frame and reports a true duration.

#include "audio/blocks.h"
#include "audio/file_reader_wav.h"
#include "audio/pipeline.h"

namespace audio {

struct WAVInfoPCM : WAVInfo {
    // Accepts exactly format tag 1; bits, channels and block align are taken as they stand.
    bool read_extension(liba::ResourceReader&) override { return format_tag == 1; }
};

class FileReaderWAVPCM : public Provider<PCMData>, public FileReaderWAV {
public:
    explicit FileReaderWAVPCM(std::u16string_view path);

    const WAVInfo& info() const override { return m_info; }

    // At most frames x block_align bytes; an empty block with the format at the end, an empty
    // block with format 0 when the reader is not open or a read comes up short.
    PCMData get_block(int32_t frames) override;

    int32_t length() override;
    int32_t position() override;
    void seek_position(int32_t position) override;
    int32_t time_to_position(double seconds) override;
    double position_to_time(int32_t position) override;
    bool skip_time(double seconds) override;
    bool skip_forward(int32_t bytes) override;

private:
    WAVInfoPCM m_info;
    int32_t m_length = 0;
};

} // namespace audio
