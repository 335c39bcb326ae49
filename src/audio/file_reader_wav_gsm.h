#pragma once

// GSM 06.10 WAV in the WAV49 packing (format tag 49): 8000 Hz mono, 65-byte blocks of 320
// samples. The reader hands out whole blocks; DecoderGSM turns them into 16-bit PCM. Position
// unit: coded blocks (see FileReaderWAVBlocks).

#include "audio/blocks.h"
#include "audio/file_reader_wav_blocks.h"
#include "audio/pipeline.h"

namespace audio {

struct WAVInfoGSM : WAVInfoBlocks {
    // Accepts format tag 49, mono, 8000 Hz, 320 samples per block and 65-byte blocks.
    bool read_extension(liba::ResourceReader& file) override;
    // The extension, then a "fact" chunk holding fact_samples.
};

class FileReaderWAVGSM : public FileReaderWAVCoded<GSMData, WAVInfoGSM> {
public:
    explicit FileReaderWAVGSM(std::u16string_view path);

    const WAVInfoGSM& gsm_info() const { return m_info; }

    // Up to n whole 65-byte blocks. Empty at the end.
    GSMData get_block(int32_t blocks) override;
};

} // namespace audio
