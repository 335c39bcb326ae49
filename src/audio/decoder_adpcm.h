#pragma once

// Microsoft ADPCM decoding, our own, with the standard predictor and adaptation tables built in
// (a file's own predictor table is ignored). Each coded block is decoded on its own: no state
// crosses blocks. Runs on the player's thread under the decoder's lock (BlockDecoderPCM).

#include "audio/block_decoder_pcm.h"
#include "audio/blocks.h"

#include <cstddef>
#include <cstdint>

namespace audio {

// Samples per channel in one block of block_align bytes with 4-bit codes: the header's two
// samples plus one per code. 0 when the block cannot hold its header, or channels is not 1 or 2.
uint32_t adpcm_samples_per_block(uint32_t block_align, uint32_t channels);

// Decodes one block of input_size bytes into channels x samples interleaved 16-bit little-endian
// samples at output. The block begins with its header (per channel: predictor index, delta,
// sample1, sample2; stereo interleaves each field), followed by 4-bit codes, high nibble first,
// alternating left and right in stereo. Refuses (false, nothing written) a predictor index of 7
// or more, a channel count other than 1 or 2, fewer than 2 samples, or an input too short for the
// header and the samples - 2 codes of every channel.
bool decode_adpcm_block(
    const uint8_t* input, size_t input_size, uint8_t* output, uint32_t channels, uint32_t samples);

class DecoderADPCM : public BlockDecoderPCM<ADPCMData> {
public:
    // Every whole block of the input, 16-bit at the block's channels and rate; a block that the
    // routine refuses plays as silence. Empty when the block's format cannot be decoded
    // (channels not 1 or 2, bits not 4, no room for the header) or it holds no whole block.
    PCMData decode_block(const ADPCMData& coded) override;
    // One coded block per pull, whatever the frame count.
    int32_t units_for_frames(int32_t) override { return 1; }
};

} // namespace audio
