#pragma once

// GSM 06.10 decoding through libgsm in its WAV49 mode: each 65-byte block holds two frames packed
// as 33 + 32 bytes and decodes into 320 samples of 16-bit mono at 8000 Hz. The library state
// (its half-frame toggle and filter memories) carries on from block to block. Runs on the
// player's thread under the decoder's lock (BlockDecoderPCM); the state is this decoder's alone.

#include "audio/block_decoder_pcm.h"
#include "audio/blocks.h"

#include <memory>

namespace audio {

class DecoderGSM : public BlockDecoderPCM<GSMData> {
public:
    DecoderGSM();
    ~DecoderGSM() override;

    // Every whole 65-byte block of the input; bytes past the last whole block are ignored.
    // Empty when the input holds no whole block.
    PCMData decode_block(const GSMData& coded) override;
    // (frames + 159) / 160 blocks: at least the frames asked for.
    int32_t units_for_frames(int32_t frames) override;

private:
    struct Codec;
    std::unique_ptr<Codec> m_codec;
};

} // namespace audio
