#include "os/wav_writer.h"

#include "liba/little_endian.h"

#include <algorithm>

namespace os {

namespace {

} // namespace

WavWriter::WavWriter(std::u16string_view path, int channels, int bits_per_sample, int sample_rate)
    : m_file(path, FileMode::Write)
    , m_channels(channels)
    , m_bits(bits_per_sample)
    , m_rate(sample_rate)
{
    write_header();
}

WavWriter::~WavWriter()
{
    finish();
}

void WavWriter::write_header()
{
    uint32_t block_align = uint32_t((m_bits + 7) / 8 * m_channels);
    auto data = static_cast<uint32_t>(std::min<uint64_t>(m_data_bytes, 0xFFFFFFFFu - 36));
    uint8_t header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    liba::store_le32(header + 4, 36 + data);
    liba::store_le32(header + 16, 16);
    liba::store_le16(header + 20, uint16_t(1));
    liba::store_le16(header + 22, uint16_t(uint32_t(m_channels)));
    liba::store_le32(header + 24, uint32_t(m_rate));
    liba::store_le32(header + 28, block_align * uint32_t(m_rate));
    liba::store_le16(header + 32, uint16_t(block_align));
    liba::store_le16(header + 34, uint16_t(uint32_t(m_bits)));
    header[36] = 'd', header[37] = 'a', header[38] = 't', header[39] = 'a';
    liba::store_le32(header + 40, data);
    m_file.seek(0);
    m_file.write(header, sizeof header);
}

bool WavWriter::write(const void* bytes, uint32_t count)
{
    if (count == 0)
        return good();
    uint32_t written = m_file.write(bytes, count);
    m_data_bytes += written;
    if (written != count)
        m_file.add_error(u"short write");
    return written == count;
}

bool WavWriter::finish()
{
    if (!m_file.good())
        return false;
    uint32_t end = m_file.tell();
    write_header();
    m_file.seek(end);
    return m_file.good();
}

} // namespace os
