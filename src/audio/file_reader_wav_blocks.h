#pragma once

// The part shared by the WAV readers of coded blocks (Microsoft ADPCM, GSM 06.10): they hand out
// whole blocks of block_align bytes read straight from the data chunk, and their position unit is
// the block number counted from the start of the data chunk (bookmarks store it).
//
// Length: the block count the "fact" chunk gives (its sample count over the samples per block,
// rounded up so the last, partly filled block plays), cut to the whole blocks the file really
// holds. Without a usable sample count (no "fact" chunk, a count of 0, or no samples per block)
// it is the whole blocks of the data chunk. Positions stay within 0..length, so a seek can never
// move the file outside the data chunk.
//
// Threads: get_block runs on the player's thread; position, length and seek_position on the UI
// thread. All of them hold the reader's lock. The conversions read values fixed at opening.

#include "audio/file_reader_wav.h"
#include "audio/pipeline.h"
#include "liba/data_buffer.h"

#include <cstdint>

namespace audio {

// The header of a WAV of coded blocks: the samples per block of the fmt extension and the sample
// count of the "fact" chunk.
struct WAVInfoBlocks : WAVInfo {
    uint16_t samples_per_block = 1;
    // Sample count of the "fact" chunk; 0 when the file has none.
    uint32_t fact_samples = 0;

protected:
    // Called at the end of read_extension: reads fact_samples. A file without a "fact" chunk is
    // accepted (its length comes from the data chunk); one whose "fact" chunk is cut short is not.
    bool read_fact(liba::ResourceReader& file);
};

class FileReaderWAVBlocks : public FileReaderWAV {
public:
    // Of the decoded PCM, whatever the coded sample size.
    unsigned bits_per_sample() override { return 16; }

    uint32_t frames_per_block() const override { return m_samples_per_block; }

    int32_t length() override;
    int32_t position() override;
    // Moves to block b, kept within 0..length(); at length() the reader is at its end.
    void seek_position(int32_t block) override;
    // truncate(rate x seconds / samples per block); 0 without samples per block.
    int32_t time_to_position(double seconds) override;
    // samples per block x block / rate; 0 without a rate.
    double position_to_time(int32_t block) override;
    bool skip_time(double seconds) override;
    // Reads and pushes blocks to the connected consumer, a few at a time; false when the stream
    // ends first or the reader is not open.
    bool skip_forward(int32_t blocks) override;

protected:
    FileReaderWAVBlocks(std::u16string_view path, int32_t skip_piece);

    // Derived constructors call this once their record exists: opens the file as FileReaderWAV::open
    // does and counts its blocks.
    void open(WAVInfoBlocks& record);
    // Reads up to count whole blocks from the current one, under the lock. Empty at the end, on a
    // reader that is not open, or when the file yields less than one block. A read that stops
    // inside a block returns the whole blocks and leaves the file on the next block boundary.
    liba::DataBuffer read_blocks(int32_t count);
    // Reads up to count blocks with get_block and delivers them; the number of blocks delivered,
    // 0 at the end.
    virtual int32_t deliver_blocks(int32_t count) = 0;

private:
    int32_t m_skip_piece;
    uint32_t m_samples_per_block = 0;
    int32_t m_length = 0;
    int32_t m_current_block = 0;
};

// A reader of coded blocks handed out as Block (with size() and empty()), whose header record is
// Info. The derived reader's get_block wraps read_blocks.
template<typename Block, typename Info>
class FileReaderWAVCoded : public Provider<Block>, public FileReaderWAVBlocks {
public:
    const WAVInfo& info() const override { return m_info; }

protected:
    FileReaderWAVCoded(std::u16string_view path, int32_t skip_piece)
        : FileReaderWAVBlocks(path, skip_piece)
    {
        open(m_info);
    }

    int32_t deliver_blocks(int32_t count) override
    {
        Block block = this->get_block(count);
        if (block.empty())
            return 0;
        this->deliver(block);
        return static_cast<int32_t>(block.size() / m_info.block_align);
    }

    Info m_info;
};

} // namespace audio
