#include "audio/file_reader_wav_adpcm.h"

namespace audio {

namespace {

// The standard table holds seven predictor pairs.
constexpr uint16_t s_coefficient_count = 7;
// Bytes of block header per channel: predictor index, delta, two samples.
constexpr uint32_t s_header_bytes_per_channel = 7;

bool read_s16(liba::ResourceReader& file, int32_t& value)
{
    uint16_t raw = 0;
    if (!read_u16(file, raw))
        return false;
    value = static_cast<int16_t>(raw);
    return true;
}

} // namespace

bool WAVInfoADPCM::read_extension(liba::ResourceReader& file)
{
    if (format_tag != 2)
        return false;
    uint16_t extension_size = 0;
    uint16_t count = 0;
    if (!read_u16(file, extension_size) || !read_u16(file, samples_per_block) || !read_u16(file, count))
        return false;
    coefficient_count = count;
    if (channels < 1 || channels > 2 || bits_per_sample != 4 || coefficient_count != s_coefficient_count)
        return false;
    if (block_align <= s_header_bytes_per_channel * channels)
        return false;
    coefficients.resize(coefficient_count);
    for (ADPCMCoefficients& pair : coefficients) {
        if (!read_s16(file, pair.first) || !read_s16(file, pair.second))
            return false;
    }
    return read_fact(file);
}

FileReaderWAVADPCM::FileReaderWAVADPCM(std::u16string_view path)
    : FileReaderWAVCoded(path, 5)
{
}

ADPCMData FileReaderWAVADPCM::get_block(int32_t blocks)
{
    return {
        read_blocks(blocks), m_info.channels, m_info.bits_per_sample, m_info.sample_rate, m_info.block_align};
}

} // namespace audio
