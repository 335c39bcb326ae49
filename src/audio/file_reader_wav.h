#pragma once

// The RIFF/WAVE container shared by the three WAV readers (PCM, ADPCM, GSM).
//
// Layout: "RIFF" size "WAVE" "fmt " — the fmt chunk must come first — then its body: format tag,
// channels, rate, average bytes per second, block align, bits per sample, and a format-specific
// extension read by WAVInfo::read_extension. From the end of the fmt chunk the file is a
// sequence of chunks (id, u32 size, body, a pad byte after an odd size); find_chunk walks them
// from there each time, so the order of "fact" and "data" does not matter.

#include "audio/file_reader.h"
#include "liba/critical_section.h"
#include "liba/streams.h"
#include "os/file.h"

#include <cstdint>
#include <string_view>

namespace audio {

// A parsed WAV header, zeroed at construction.
struct WAVInfo {
    virtual ~WAVInfo() = default;

    uint32_t channels = 0;
    uint32_t bits_per_sample = 0;
    uint32_t sample_rate = 0;
    uint16_t format_tag = 0;
    uint32_t avg_bytes_per_sec = 0;
    uint16_t block_align = 0;
    uint32_t riff_size = 0;
    uint32_t fmt_size = 0;
    uint32_t data_size = 0;
    uint32_t data_start = 0;

    // Called with the file just after the 16 common fmt bytes: reads the format-specific part and
    // decides whether the reader accepts the file.
    virtual bool read_extension(liba::ResourceReader&) { return true; }
};

// Reads 4 bytes and compares them with tag.
bool expect_tag(liba::ResourceReader& file, std::string_view tag);
// Reads a little-endian u16 / u32; false on a short read.
bool read_u16(liba::ResourceReader& file, uint16_t& value);
bool read_u32(liba::ResourceReader& file, uint32_t& value);
// Searches the chunk tag from the end of the fmt chunk; on success the file stands at its body
// and size holds its declared size.
bool find_chunk(liba::ResourceReader& file, const WAVInfo& info, std::string_view tag, uint32_t& size);
// Parses the header into info (read_extension included) and finds the data chunk.
bool open_wav(WAVInfo& info, liba::ResourceReader& file);

// Common base of the WAV readers.
class FileReaderWAV : public FileReaderOfFile {
public:
    explicit FileReaderWAV(std::u16string_view path);

    unsigned channels() override;
    unsigned bits_per_sample() override;
    unsigned sample_rate() override;
    // The header's average bytes per second x 8; from the block size when the header gives 0.
    unsigned bitrate() override;

    virtual const WAVInfo& info() const = 0;
    // The frames one block of block_align bytes holds: 1 for PCM.
    virtual uint32_t frames_per_block() const { return 1; }

protected:
    // Derived constructors call this once their record exists.
    void open(WAVInfo& record);
};

} // namespace audio
