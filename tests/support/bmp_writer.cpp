#include "support/bmp_writer.h"

#include "liba/little_endian.h"

namespace test {

namespace {

// One stored row of the given depth.
Bytes encode_row(const BmpSpec& spec, const uint32_t* values)
{
    uint32_t stride = (uint32_t(spec.width) * spec.bits + 31) / 32 * 4;
    Bytes row(stride, 0);
    for (int32_t x = 0; x < spec.width; ++x) {
        if (spec.bits <= 8) { // palette indices, the leftmost pixel in the high bits
            uint32_t per_byte = 8u / spec.bits;
            row[size_t(x) / per_byte] |= uint8_t(values[x] << (8 - spec.bits * (uint32_t(x) % per_byte + 1)));
        } else { // 16, 24 and 32 bits: little-endian
            for (uint32_t i = 0; i < spec.bits / 8u; ++i)
                row[size_t(x) * spec.bits / 8 + i] = uint8_t(values[x] >> (8 * i));
        }
    }
    return row;
}

} // namespace

Bytes make_bmp(const BmpSpec& spec, const std::vector<uint32_t>& values)
{
    bool core = spec.header_size == 12;
    uint32_t entry = core ? 3 : 4;
    // Headers of 52 bytes and more hold the masks themselves; a 40-byte one is followed by them.
    bool masks_inside = spec.header_size >= 52;
    uint32_t masks = spec.compression == 3 && !masks_inside ? 12 : 0;
    uint32_t offset = 14 + spec.header_size + masks + uint32_t(spec.palette.size()) * entry;
    Bytes pixels;
    for (int32_t i = 0; i < spec.height; ++i) {
        int32_t y = spec.top_down ? i : spec.height - 1 - i;
        Bytes row = encode_row(spec, values.data() + size_t(y) * size_t(spec.width));
        pixels.insert(pixels.end(), row.begin(), row.end());
    }
    ByteWriter w;
    w.tag("BM").u32(offset + uint32_t(pixels.size())).u32(0).u32(offset);
    if (core) {
        w.u32(12).u16(uint16_t(spec.width)).u16(uint16_t(spec.height)).u16(1).u16(spec.bits);
    } else {
        auto h = uint32_t(spec.top_down ? -spec.height : spec.height);
        w.u32(spec.header_size).u32(uint32_t(spec.width)).u32(h).u16(1).u16(spec.bits).u32(spec.compression);
        w.u32(uint32_t(pixels.size())).u32(2835).u32(2835).u32(uint32_t(spec.palette.size())).u32(0);
        if (masks_inside || masks)
            w.u32(spec.masks[0]).u32(spec.masks[1]).u32(spec.masks[2]);
        for (uint32_t i = masks_inside || masks ? 52 : 40; i < spec.header_size + masks; ++i)
            w.u8(0);
    }
    for (uint32_t color : spec.palette) {
        w.u8(uint8_t(color)).u8(uint8_t(color >> 8)).u8(uint8_t(color >> 16));
        if (!core)
            w.u8(0);
    }
    w.raw(pixels);
    return w.bytes;
}

Bytes make_bmp24(int32_t width, int32_t height, const std::vector<uint32_t>& pixels)
{
    return make_bmp({.width = width, .height = height, .palette = {}}, pixels);
}

void patch32(Bytes& bytes, size_t offset, uint32_t value)
{
    liba::store_le32(&bytes.at(offset), value);
}

void patch16(Bytes& bytes, size_t offset, uint16_t value)
{
    liba::store_le16(&bytes.at(offset), value);
}

} // namespace test
