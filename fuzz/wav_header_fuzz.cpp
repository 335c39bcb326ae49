// The WAV header parse and the PCM reader over arbitrary bytes: no crash, no hang, no read out of
// bounds, and no allocation beyond what the file holds.

#include "audio/file_reader_wav_pcm.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::TempFile file(data, size);
    audio::FileReaderWAVPCM reader(file.path());
    if (reader.is_open()) {
        reader.duration();
        reader.bitrate();
        for (int i = 0; i < 4 && !reader.get_block(4096).empty(); ++i) { }
        reader.seek_position(reader.length() / 2 + 1);
        reader.get_block(16384);
        reader.seek_position(-5);
        reader.skip_forward(1000);
    }
    return 0;
}
