#include "skinner/bmp_reader.h"

#include "liba/little_endian.h"
#include "liba/text.h"

#include <bit>
#include <vector>

namespace skinner {

namespace {

constexpr uint32_t s_file_header_size = 14;
constexpr uint32_t s_core_header_size = 12;
constexpr uint32_t s_info_header_size = 40;
// The longest header whose fields are read (BITMAPV5HEADER); longer ones are skipped over.
constexpr uint32_t s_longest_header = 124;

constexpr uint32_t s_bi_rgb = 0;
constexpr uint32_t s_bi_rle8 = 1;
constexpr uint32_t s_bi_rle4 = 2;
constexpr uint32_t s_bi_bitfields = 3;

// One colour channel of a masked pixel, widened to 8 bits (all ones stays all ones).
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    uint32_t extract(uint32_t pixel) const
    {
        if (max == 0)
            return 0;
        uint64_t value = (pixel & mask) >> shift;
        return uint32_t((value * 255 + max / 2) / max);
    }
};

struct Header {
    int64_t width = 0;
    int64_t height = 0; // negative: rows top-down
    uint32_t bits = 0;
    uint32_t compression = s_bi_rgb;
    uint32_t colors_used = 0;
    uint32_t masks[3] = {0, 0, 0}; // red, green, blue
    bool has_masks = false;
    uint32_t size = 0; // bytes of the header itself
    uint32_t palette_entry = 4;
};

class Decoder {
public:
    Decoder(liba::ResourceReader& stream, std::u16string& error)
        : m_stream(stream)
        , m_error(error)
    {
    }

    bool run(os::Surface& image);

private:
    bool fail(std::u16string message)
    {
        m_error = std::move(message);
        return false;
    }
    bool read_at(uint64_t offset, void* buffer, uint32_t count);
    bool read_headers();
    bool parse_info_header(const uint8_t* h);
    bool check_format();
    bool read_masks();
    bool read_palette();
    bool read_pixels(os::Surface& image);
    void decode_row(const uint8_t* row, uint32_t* out) const;

    liba::ResourceReader& m_stream;
    std::u16string& m_error;
    uint64_t m_stream_size = 0;
    uint32_t m_pixel_offset = 0;
    Header m_header;
    Channel m_channels[3];
    std::vector<uint32_t> m_palette;
};

bool Decoder::read_at(uint64_t offset, void* buffer, uint32_t count)
{
    if (offset + count > m_stream_size || !m_stream.seek(uint32_t(offset)))
        return false;
    return m_stream.read(buffer, count) == count;
}

bool Decoder::run(os::Surface& image)
{
    m_stream_size = m_stream.size();
    return read_headers() && check_format() && read_masks() && read_palette() && read_pixels(image);
}

bool Decoder::read_headers()
{
    uint8_t file_header[s_file_header_size + 4];
    if (!read_at(0, file_header, sizeof file_header))
        return fail(u"file too short for a bitmap header");
    if (file_header[0] != 'B' || file_header[1] != 'M')
        return fail(u"no BM signature");
    m_pixel_offset = liba::load_le32(file_header + 10);
    m_header.size = liba::load_le32(file_header + 14);
    if (m_header.size != s_core_header_size && m_header.size < s_info_header_size)
        return fail(u"unknown bitmap header size {" + liba::to_text(int64_t(m_header.size)) + u"}");

    uint8_t h[s_longest_header] = {};
    uint32_t wanted = m_header.size < s_longest_header ? m_header.size : s_longest_header;
    if (!read_at(s_file_header_size, h, wanted))
        return fail(u"bitmap header cut short");
    if (m_header.size == s_core_header_size) {
        m_header.width = liba::load_le16(h + 4);
        m_header.height = liba::load_le16(h + 6);
        m_header.bits = liba::load_le16(h + 10);
        m_header.palette_entry = 3;
        return true;
    }
    return parse_info_header(h);
}

bool Decoder::parse_info_header(const uint8_t* h)
{
    m_header.width = int32_t(liba::load_le32(h + 4));
    m_header.height = int32_t(liba::load_le32(h + 8));
    m_header.bits = liba::load_le16(h + 14);
    m_header.compression = liba::load_le32(h + 16);
    m_header.colors_used = liba::load_le32(h + 32);
    // Headers of 52 bytes and more carry the masks inside.
    if (m_header.size >= 52) {
        for (int i = 0; i < 3; ++i)
            m_header.masks[i] = liba::load_le32(h + 40 + 4 * i);
        m_header.has_masks = true;
    }
    return true;
}

bool Decoder::check_format()
{
    const Header& h = m_header;
    if (h.width < 1 || h.width > s_bmp_max_side || h.height == 0 || h.height < -s_bmp_max_side
        || h.height > s_bmp_max_side)
        return fail(
            u"bitmap size out of range {" + liba::to_text(h.width) + u" " + liba::to_text(h.height) + u"}");
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
        return fail(u"unsupported bits per pixel {" + liba::to_text(int64_t(h.bits)) + u"}");
    if (h.compression == s_bi_rle8 || h.compression == s_bi_rle4)
        return fail(u"run-length compressed bitmaps are not supported");
    if (h.compression == s_bi_bitfields && (h.bits == 16 || h.bits == 32))
        return true;
    if (h.compression != s_bi_rgb)
        return fail(u"unsupported bitmap compression {" + liba::to_text(int64_t(h.compression)) + u"}");
    return true;
}

bool Decoder::read_masks()
{
    Header& h = m_header;
    if (h.bits != 16 && h.bits != 32)
        return true;
    if (h.compression == s_bi_rgb) {
        static constexpr uint32_t s_555[3] = {0x7C00, 0x03E0, 0x001F};
        static constexpr uint32_t s_888[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
        for (int i = 0; i < 3; ++i)
            h.masks[i] = h.bits == 16 ? s_555[i] : s_888[i];
    } else if (!h.has_masks) {
        // A 40-byte header is followed by the three masks.
        uint8_t masks[12];
        if (!read_at(s_file_header_size + h.size, masks, sizeof masks))
            return fail(u"bit field masks cut short");
        for (int i = 0; i < 3; ++i)
            h.masks[i] = liba::load_le32(masks + 4 * i);
    }
    uint32_t all = 0;
    for (int i = 0; i < 3; ++i) {
        uint32_t mask = h.masks[i];
        if (h.bits == 16 && mask > 0xFFFF)
            return fail(u"bit field mask wider than the pixel");
        if ((mask & all) != 0)
            return fail(u"overlapping bit field masks");
        all |= mask;
        Channel& c = m_channels[i];
        c.mask = mask;
        if (mask == 0)
            continue;
        c.shift = std::countr_zero(mask);
        uint32_t field = mask >> c.shift;
        if ((field & (field + 1)) != 0)
            return fail(u"bit field mask not contiguous");
        c.max = field;
    }
    return true;
}

bool Decoder::read_palette()
{
    const Header& h = m_header;
    if (h.bits > 8)
        return true;
    uint32_t capacity = 1u << h.bits;
    if (h.colors_used > capacity)
        return fail(
            u"palette larger than the bit depth allows {" + liba::to_text(int64_t(h.colors_used)) + u"}");
    uint32_t count = h.colors_used != 0 ? h.colors_used : capacity;
    uint64_t start = uint64_t(s_file_header_size) + h.size;
    // Some writers store fewer entries than the depth allows and start the pixels right after them.
    if (m_pixel_offset > start && (m_pixel_offset - start) / h.palette_entry < count)
        count = uint32_t((m_pixel_offset - start) / h.palette_entry);
    std::vector<uint8_t> bytes(size_t(count) * h.palette_entry);
    if (!read_at(start, bytes.data(), uint32_t(bytes.size())))
        return fail(u"palette runs past the end of the file");
    // Indices past the stored entries read black.
    m_palette.assign(capacity, 0xFF000000u);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = bytes.data() + size_t(i) * h.palette_entry;
        m_palette[i] = os::rgb(e[2], e[1], e[0]);
    }
    return true;
}

bool Decoder::read_pixels(os::Surface& image)
{
    const Header& h = m_header;
    uint32_t width = uint32_t(h.width);
    uint32_t rows = uint32_t(h.height < 0 ? -h.height : h.height);
    uint32_t stride = (width * h.bits + 31) / 32 * 4;
    if (m_pixel_offset < uint64_t(s_file_header_size) + h.size || m_pixel_offset > m_stream_size)
        return fail(u"pixel data offset out of range {" + liba::to_text(int64_t(m_pixel_offset)) + u"}");
    if (uint64_t(m_pixel_offset) + uint64_t(stride) * rows > m_stream_size)
        return fail(u"pixel data cut short");
    if (!m_stream.seek(m_pixel_offset))
        return fail(u"pixel data unreadable");

    os::Surface decoded {int32_t(width), int32_t(rows)};
    std::vector<uint8_t> row(stride);
    for (uint32_t i = 0; i < rows; ++i) {
        if (m_stream.read(row.data(), stride) != stride)
            return fail(u"pixel data cut short");
        uint32_t y = h.height < 0 ? i : rows - 1 - i;
        decode_row(row.data(), decoded.row(int32_t(y)));
    }
    image = std::move(decoded);
    return true;
}

void Decoder::decode_row(const uint8_t* row, uint32_t* out) const
{
    const uint32_t width = uint32_t(m_header.width);
    switch (m_header.bits) {
    case 1:
    case 4:
    case 8: {
        const uint32_t bits = m_header.bits;
        const uint32_t per_byte = 8 / bits;
        const uint32_t index_mask = (1u << bits) - 1;
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t shift = 8 - bits * (x % per_byte + 1);
            out[x] = m_palette[(row[x / per_byte] >> shift) & index_mask];
        }
        break;
    }
    case 24:
        for (uint32_t x = 0; x < width; ++x, row += 3)
            out[x] = os::rgb(row[2], row[1], row[0]);
        break;
    default: {
        const uint32_t bytes = m_header.bits / 8;
        for (uint32_t x = 0; x < width; ++x, row += bytes) {
            uint32_t p = bytes == 2 ? liba::load_le16(row) : liba::load_le32(row);
            out[x] = os::rgb(uint8_t(m_channels[0].extract(p)), uint8_t(m_channels[1].extract(p)),
                uint8_t(m_channels[2].extract(p)));
        }
        break;
    }
    }
}

} // namespace

bool read_bmp(liba::ResourceReader& stream, os::Surface& image, std::u16string& error)
{
    image = os::Surface();
    error.clear();
    if (!stream.good()) {
        error = u"stream not readable";
        return false;
    }
    return Decoder(stream, error).run(image);
}

} // namespace skinner
