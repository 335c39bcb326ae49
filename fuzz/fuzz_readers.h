#pragma once

// The runs the audio readers' targets share: open the fuzz input, read, seek inside and outside
// the stream, and read again.

#include "audio/blocks.h"
#include "audio/play_chain.h"
#include "fuzz/fuzz_file.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace fuzz {

// A block of a frame decoder must be whole 16-bit frames of the format it announces.
inline void check_pcm(const audio::PCMData& block)
{
    if (!block.empty()
        && (block.bits_per_sample != 16 || block.frame_size() == 0 || block.size() % block.frame_size() != 0))
        std::abort();
}

// Reads a few blocks of `frames`, then one of `frames_after_seek` from the middle, and reads after
// seeks to the end, past it and before the start.
template<typename Decoder>
int run_frame_decoder(const uint8_t* data, size_t size, int32_t frames, int32_t frames_after_seek)
{
    TempFile file(data, size);
    Decoder reader(file.path());
    if (!reader.is_open())
        return 0;
    reader.bitrate();
    int32_t length = reader.length();
    for (int i = 0; i < 4; ++i) {
        audio::PCMData block = reader.get_block(frames);
        check_pcm(block);
        if (block.empty())
            break;
    }
    reader.position();
    reader.is_end();
    reader.seek_position(length / 2);
    check_pcm(reader.get_block(frames_after_seek));
    reader.seek_position(length);
    check_pcm(reader.get_block(100));
    reader.seek_position(length + 10);
    check_pcm(reader.get_block(100));
    reader.seek_position(-1);
    check_pcm(reader.get_block(1));
    reader.seek_position(1);
    check_pcm(reader.get_block(1));
    reader.time();
    return 0;
}

// The settings of one run of a block reader and its decoder.
struct BlockChainRun {
    int32_t frames = 0;
    double seek_seconds = 0;
    int32_t skip_blocks = 0;
    double skip_seconds = 0;
};

// Through the chain's PCM: a few blocks of run.frames, then reads after seeks to the middle, before
// the start and past the end, a seek by time, and skips (which push the blocks through the
// decoder's push path).
template<typename Reader, typename Decoder>
int run_block_chain(const uint8_t* data, size_t size, std::u16string_view name, const BlockChainRun& run)
{
    TempFile file(data, size);
    audio::PlayChainReaderDecoder<Reader, Decoder> chain(
        std::u16string(name), std::make_unique<Reader>(file.path()), file.path());
    audio::FileReader& reader = chain.get_reader();
    if (!reader.is_open())
        return 0;
    reader.duration();
    reader.bitrate();
    audio::Provider<audio::PCMData>& pcm = chain.get_provider();
    for (int i = 0; i < 4 && !pcm.get_block(run.frames).empty(); ++i) { }
    reader.seek_position(reader.length() / 2 + 1);
    pcm.get_block(16384);
    reader.seek_position(-5);
    reader.seek_position(reader.length() + 3);
    pcm.get_block(1);
    reader.seek_time(run.seek_seconds);
    reader.skip_forward(run.skip_blocks);
    reader.skip_time(run.skip_seconds);
    return 0;
}

} // namespace fuzz
