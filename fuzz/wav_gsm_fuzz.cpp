// The GSM WAV reader and libgsm decoding over arbitrary bytes: no crash, no hang, no read out of
// bounds and no allocation beyond what the file holds, whatever the header says.

#include "audio/decoder_gsm.h"
#include "audio/file_reader_wav_gsm.h"
#include "fuzz/fuzz_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::run_block_chain<audio::FileReaderWAVGSM, audio::DecoderGSM>(
        data, size, u"GSM", {1000, 0.5, 15, 0.2});
}
