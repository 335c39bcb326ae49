// The GSM WAV reader and libgsm decoding over arbitrary bytes: no crash, no hang, no read out of
// bounds and no allocation beyond what the file holds, whatever the header says.

#include "audio/decoder_gsm.h"
#include "audio/file_reader_wav_gsm.h"
#include "audio/play_chain.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::TempFile file(data, size);
    audio::PlayChainReaderDecoder<audio::FileReaderWAVGSM, audio::DecoderGSM> chain(
        u"GSM", std::make_unique<audio::FileReaderWAVGSM>(file.path()), file.path());
    audio::FileReader& reader = chain.get_reader();
    if (!reader.is_open())
        return 0;
    reader.duration();
    audio::Provider<audio::PCMData>& pcm = chain.get_provider();
    for (int i = 0; i < 4 && !pcm.get_block(1000).empty(); ++i) { }
    reader.seek_position(reader.length() / 2 + 1);
    pcm.get_block(16384);
    reader.seek_position(-5);
    reader.seek_position(reader.length() + 3);
    pcm.get_block(1);
    reader.seek_time(0.5);
    reader.skip_forward(15);
    reader.skip_time(0.2);
    return 0;
}
