// The ADPCM WAV reader and decoder over arbitrary bytes: no crash, no hang, no read out of bounds,
// no division by zero and no allocation beyond what the file holds, whatever the header says.

#include "audio/decoder_adpcm.h"
#include "audio/file_reader_wav_adpcm.h"
#include "audio/play_chain.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::TempFile file(data, size);
    audio::PlayChainReaderDecoder<audio::FileReaderWAVADPCM, audio::DecoderADPCM> chain(
        u"ADPCM", std::make_unique<audio::FileReaderWAVADPCM>(file.path()), file.path());
    audio::FileReader& reader = chain.get_reader();
    if (!reader.is_open())
        return 0;
    reader.duration();
    reader.bitrate();
    audio::Provider<audio::PCMData>& pcm = chain.get_provider();
    for (int i = 0; i < 4 && !pcm.get_block(4096).empty(); ++i) { }
    reader.seek_position(reader.length() / 2 + 1);
    pcm.get_block(16384);
    reader.seek_position(-5);
    reader.seek_position(reader.length() + 3);
    pcm.get_block(1);
    reader.seek_time(0.01);
    // Skipping pushes the blocks through the decoder's push path.
    reader.skip_forward(7);
    reader.skip_time(0.05);
    return 0;
}
