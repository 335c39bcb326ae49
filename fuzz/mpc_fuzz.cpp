// The Musepack reader over arbitrary bytes: no crash, no hang, no read out of bounds, and blocks
// that are always whole 16-bit frames of the announced format.

#include "audio/decoder_mpc.h"
#include "fuzz/fuzz_file.h"

#include <cstdlib>

namespace {

void check(const audio::PCMData& block)
{
    if (!block.empty()
        && (block.bits_per_sample != 16 || block.frame_size() == 0 || block.size() % block.frame_size() != 0))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::TempFile file(data, size);
    audio::DecoderMPC reader(file.path());
    if (!reader.is_open())
        return 0;
    reader.bitrate();
    int32_t length = reader.length();
    for (int i = 0; i < 4; ++i) {
        audio::PCMData block = reader.get_block(700);
        check(block);
        if (block.empty())
            break;
    }
    reader.position();
    reader.is_end();
    reader.seek_position(length / 2);
    check(reader.get_block(4096));
    reader.seek_position(length + 10);
    check(reader.get_block(100));
    reader.seek_position(-1);
    check(reader.get_block(1));
    reader.time();
    return 0;
}
