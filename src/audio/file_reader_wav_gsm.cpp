#include "audio/file_reader_wav_gsm.h"

namespace audio {

namespace {

constexpr uint16_t s_format_tag = 49;
constexpr uint32_t s_sample_rate = 8000;
constexpr uint16_t s_samples_per_block = 320;
constexpr uint16_t s_block_align = 65;

} // namespace

bool WAVInfoGSM::read_extension(liba::ResourceReader& file)
{
    if (format_tag != s_format_tag)
        return false;
    uint16_t extension_size = 0;
    if (!read_u16(file, extension_size) || !read_u16(file, samples_per_block))
        return false;
    if (channels != 1 || sample_rate != s_sample_rate || samples_per_block != s_samples_per_block
        || block_align != s_block_align)
        return false;
    return read_fact(file);
}

FileReaderWAVGSM::FileReaderWAVGSM(std::u16string_view path)
    : FileReaderWAVCoded(path, 10)
{
}

GSMData FileReaderWAVGSM::get_block(int32_t blocks)
{
    return {read_blocks(blocks)};
}

} // namespace audio
