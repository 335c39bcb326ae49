#include "skinner/font_rep.h"

#include "os/font_engine.h"
#include "os/log.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace skinner {

namespace {

constexpr size_t s_face_name_limit = 31;
constexpr int32_t s_default_pixel_size = 12;

bool is_space(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

void skip_space(std::u16string_view text, size_t& i)
{
    while (i < text.size() && is_space(text[i]))
        ++i;
}

// An optionally signed decimal integer within 32 bits.
bool parse_integer(std::u16string_view text, size_t& i, int32_t& value)
{
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    size_t start = i;
    int64_t magnitude = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        magnitude = magnitude * 10 + (text[i++] - u'0');
        if (magnitude > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return false;
    }
    int64_t result = negative ? -magnitude : magnitude;
    if (i == start || result > std::numeric_limits<int32_t>::max())
        return false;
    value = int32_t(result);
    return true;
}

} // namespace

bool parse_font_description(std::u16string_view text, FontDescription& description)
{
    int32_t numbers[4] = {};
    size_t i = 0;
    for (int n = 0; n < 4; ++n) {
        skip_space(text, i);
        if (!parse_integer(text, i, numbers[n]))
            return false;
        // The first three numbers must each be ended by white space.
        if (n < 3 && (i >= text.size() || !is_space(text[i])))
            return false;
    }
    skip_space(text, i);
    description.height = numbers[0];
    description.bold = numbers[1] != 0;
    description.italic = numbers[2] != 0;
    description.underline = numbers[3] != 0;
    description.face = std::u16string(text.substr(i));
    return true;
}

int32_t pixel_size_for(int32_t logical_height)
{
    if (logical_height == 0)
        return s_default_pixel_size;
    int64_t size = std::llabs(int64_t(logical_height));
    return size > os::s_max_pixel_size ? os::s_max_pixel_size : int32_t(size);
}

FontRep::FontRep(std::u16string_view text, const FontDescription& description, int32_t scale)
    : m_text(text)
    , m_scale(scale)
    , m_description(description)
{
    os::log() << u"Creating font: {" << m_text << u"}\n";
    os::log() << u"height=" << description.height << u" name.scale=" << scale << u"}\n";
    int64_t logical = -(int64_t(description.height) * scale * 96 / 72);
    logical = std::clamp<int64_t>(
        logical, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    m_logical_height = int32_t(logical);
    os::log() << u"dpiy=96 log_font.lfHeight=" << m_logical_height << u"\n";
    m_weight = description.bold ? 700 : 400;
    m_face_name = description.face.substr(0, s_face_name_limit);

    os::FontRequest request {m_face_name, pixel_size_for(m_logical_height), description.bold,
        description.italic, description.underline};
    m_face = os::FontEngine::instance().open(request);
    if (!m_face)
        os::log() << u"ERROR: FontRep::FontRep() Failed to create font\n";
}

} // namespace skinner
