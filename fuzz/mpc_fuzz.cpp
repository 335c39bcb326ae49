// The Musepack reader over arbitrary bytes: no crash, no hang, no read out of bounds, and blocks
// that are always whole 16-bit frames of the announced format.

#include "audio/decoder_mpc.h"
#include "fuzz/fuzz_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // 700 frames: less than one library frame, so blocks are cut from a decoded frame.
    return fuzz::run_frame_decoder<audio::DecoderMPC>(data, size, 700, 4096);
}
