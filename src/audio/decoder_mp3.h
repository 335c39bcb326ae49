#pragma once

// Turns the MPEG audio frames of FileReaderMP3 into 16-bit PCM through libmad, one frame per
// coded block. Every sample rate a frame header can carry (8000 to 48000 Hz) is decoded; the block
// takes its format from the frame's own header. A frame that cannot be decoded (a header that does
// not parse, a Layer III frame whose bit reservoir is missing, damaged data) gives an empty block,
// and the decoder template pulls the next frame.
//
// Runs on the player's thread under the decoder template's lock; the libmad state is touched by
// nothing else. It keeps libmad's Layer III bit reservoir from one frame to the next; the first
// block after a seek (marked restart) makes it start afresh and rebuild that state from the
// frames before the block (its prelude), so the frame sounds as when the file plays through.

#include "audio/block_decoder_pcm.h"
#include "audio/blocks.h"

#include <cstdint>
#include <memory>

namespace audio {

// Writes count little-endian 16-bit samples per channel to out, interleaved left/right when right
// is given. The inputs are libmad's fixed-point samples (28 fraction bits, 1.0 = 0x10000000).
// Each channel feeds its quantisation error into its next sample, starting from 0 on every call;
// values at or beyond full scale clip, and after a clip only the quantisation error of the clipped
// value is carried on, never the overshoot. No dither.
void to_pcm(uint8_t* out, uint32_t count, const int32_t* left, const int32_t* right);

class DecoderMP3 final : public BlockDecoderPCM<MP3Data> {
public:
    // Result codes of decode_frame.
    enum Result : int {
        Decoded = 0,
        NeedMoreInput = 1, // the input does not hold the whole frame and its guard bytes
        OutputTooSmall = 2,
        RecoverableError = -1, // a damaged frame; the next one may decode
        FatalError = -2,
    };

    DecoderMP3();
    ~DecoderMP3() override;

    // Decodes the frame at the start of input into 16-bit PCM. consumed is the length of the frame
    // as libmad found it, produced the number of bytes written.
    Result decode_frame(const uint8_t* input, uint32_t input_length, uint8_t* output, uint32_t capacity,
        uint32_t& consumed, uint32_t& produced);

protected:
    PCMData decode_block(const MP3Data& coded) override;
    int32_t units_for_frames(int32_t) override { return 1; }

private:
    struct MadDecoder;
    struct MadDeleter {
        void operator()(MadDecoder* mad) const;
    };
    // After a seek: forgets the frames decoded so far, then decodes the block's prelude without
    // output, so that the block's frame sounds as it does when the file plays from its start.
    void restart(const MP3Data& coded);

    std::unique_ptr<MadDecoder, MadDeleter> m_mad;
};

} // namespace audio
