// The Ogg Vorbis reader over arbitrary bytes: no crash, no hang, no read out of bounds, and blocks
// that are always whole 16-bit frames of the announced format.

#include "audio/decoder_vorbis.h"
#include "fuzz/fuzz_readers.h"

// The library loses a few bytes on its own when it refuses some malformed files (a list it builds
// while looking for the streams' serial numbers); nothing on our side holds them.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libvorbisidec.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::run_frame_decoder<audio::DecoderVorbis>(data, size, 4096, 8192);
}
