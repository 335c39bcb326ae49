// The MP3 reader's frame search and two-frame check over arbitrary bytes, a few frames pulled and
// decoded by libmad through the chain, seeks and skips, and the ID3v1 tag search: no crash, no
// hang, no read out of bounds.

#include "audio/file_reader_mp3.h"
#include "audio/id3v1.h"
#include "audio/play_chain_mp3.h"
#include "fuzz/fuzz_file.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::TempFile file(data, size);
    audio::read_id3v1(file.path());
    audio::PlayChainMP3 chain(u"mp3", std::make_unique<audio::FileReaderMP3>(file.path()), file.path());
    audio::FileReader& reader = chain.get_reader();
    if (!reader.is_open())
        return 0;
    reader.duration();
    for (int i = 0; i < 8 && !chain.get_provider().get_block(4096).empty(); ++i) { }
    reader.seek_position(reader.length() / 3 + 1);
    chain.get_provider().get_block(1152);
    reader.seek_position(-7);
    chain.get_provider().get_block(100000);
    reader.skip_forward(2000);
    reader.skip_time(0.05);
    return 0;
}
