#include "audio/id3v1.h"

#include "liba/text.h"
#include "os/file.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace audio {

namespace {

constexpr uint32_t s_window = 1000;
constexpr uint32_t s_body_size = 125;

// A field cut at its first 0 byte and stripped of trailing blanks.
std::u16string field(const uint8_t* bytes, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(bytes), size);
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return liba::from_8bit(text);
}

} // namespace

bool find_id3v1(liba::ResourceReader& file, uint32_t& body_offset)
{
    uint32_t size = file.size();
    uint32_t start = size - std::min(size, s_window);
    std::array<uint8_t, s_window> window {};
    if (!file.seek(start))
        return false;
    uint32_t n = file.read(window.data(), size - start);
    if (n < 3 + s_body_size)
        return false;
    // Only a "TAG" with a whole body after it counts, so one inside the fields of the real tag (a
    // title like "Vintage") cannot hide it; the first place tried is the standard one.
    for (uint32_t i = n - 3 - s_body_size + 1; i-- > 0;) {
        if (std::memcmp(&window[i], "TAG", 3) == 0) {
            body_offset = start + i + 3;
            return true;
        }
    }
    return false;
}

ID3v1Tag parse_id3v1(const uint8_t* body)
{
    ID3v1Tag tag;
    if (body[122] == 0 && body[123] != 0)
        tag.track = body[123];
    tag.title = field(body, 30);
    tag.artist = field(body + 30, 30);
    tag.album = field(body + 60, 30);
    tag.year = field(body + 90, 4);
    tag.comment = field(body + 94, 30);
    tag.genre = body[124];
    tag.present = true;
    return tag;
}

ID3v1Tag read_id3v1(std::u16string_view path)
{
    os::File file(path, os::FileMode::Read);
    uint32_t body_offset = 0;
    if (!file.good() || !find_id3v1(file, body_offset) || !file.seek(body_offset))
        return ID3v1Tag {};
    std::array<uint8_t, s_body_size> body {};
    if (file.read(body.data(), s_body_size) != s_body_size)
        return ID3v1Tag {};
    return parse_id3v1(body.data());
}

} // namespace audio
