// decode_adpcm_block on arbitrary block bytes: the first byte chooses the channel count and the
// samples per block, the rest is the block. No read or write outside the buffers, no signed
// overflow in the predictor or the step adaptation.

#include "audio/decoder_adpcm.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    uint32_t channels = (data[0] & 1) + 1;
    const uint8_t* block = data + 1;
    size_t block_size = size - 1;
    // The samples the block holds, and (every other input) a few more than it holds, which must be
    // refused.
    uint32_t samples
        = audio::adpcm_samples_per_block(uint32_t(std::min<size_t>(block_size, 65535)), channels);
    if (samples == 0)
        samples = 2 + (data[0] >> 1);
    else if (data[0] & 2)
        samples += data[0] >> 2;
    std::vector<uint8_t> out(size_t(channels) * samples * 2);
    audio::decode_adpcm_block(block, block_size, out.data(), channels, samples);
    return 0;
}
