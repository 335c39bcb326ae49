// The ADPCM WAV reader and decoder over arbitrary bytes: no crash, no hang, no read out of bounds,
// no division by zero and no allocation beyond what the file holds, whatever the header says.

#include "audio/decoder_adpcm.h"
#include "audio/file_reader_wav_adpcm.h"
#include "fuzz/fuzz_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::run_block_chain<audio::FileReaderWAVADPCM, audio::DecoderADPCM>(
        data, size, u"ADPCM", {4096, 0.01, 7, 0.05});
}
