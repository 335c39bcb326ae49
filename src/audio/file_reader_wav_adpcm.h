#pragma once

// Microsoft ADPCM WAV (format tag 2). The reader hands out whole coded blocks with the stream's
// format; DecoderADPCM turns them into 16-bit PCM. Position unit: coded blocks (see
// FileReaderWAVBlocks).

#include "audio/blocks.h"
#include "audio/file_reader_wav_blocks.h"
#include "audio/pipeline.h"

#include <vector>

namespace audio {

struct ADPCMCoefficients {
    int32_t first = 0;
    int32_t second = 0;
};

struct WAVInfoADPCM : WAVInfoBlocks {
    // The file's own predictor table; read and kept, but decoding uses the standard table.
    std::vector<ADPCMCoefficients> coefficients;
    uint32_t coefficient_count = 0;

    // Accepts format tag 2, 1 or 2 channels, 4 bits per sample and the 7 coefficient pairs of the
    // standard table. Also refuses a block_align that leaves no room for the block header
    // (0, or not more than 7 bytes per channel), on which no block could be decoded.
    bool read_extension(liba::ResourceReader& file) override;
    // The extension, then a "fact" chunk holding fact_samples.
};

class FileReaderWAVADPCM : public FileReaderWAVCoded<ADPCMData, WAVInfoADPCM> {
public:
    explicit FileReaderWAVADPCM(std::u16string_view path);

    const WAVInfoADPCM& adpcm_info() const { return m_info; }

    // Up to n whole blocks, carrying channels, 4 bits, rate and block_align. Empty at the end.
    ADPCMData get_block(int32_t blocks) override;
};

} // namespace audio
