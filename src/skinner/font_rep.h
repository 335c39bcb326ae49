#pragma once

// One created skin font, shared by every Font bound to the same (description, scale) (see font.h
// for the registry). A description is four integers and a face name separated by white space:
// height in points, bold, italic, underline (0 = off), then the face, e.g. "32 0 0 0 Tahoma". The
// face is the rest of the text after the fourth number and the white space following it.
//
// The height is taken at 96 dots per inch: logical height = -(height x scale x 96 / 72), truncated
// toward zero; a negative logical height -h asks for characters h pixels high, which is the em
// size handed to the font engine (a positive one, from a negative description height, is used the
// same way by its size; 0 gives the default 12 pixels). User-interface thread only.

#include "liba/nocopy.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace os {
class FontFace;
}

namespace skinner {

struct FontDescription {
    int32_t height = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::u16string face;
};

// Parses a description; false when it does not start with four integers (each in the 32-bit
// range, separated by white space). description is filled only on success.
bool parse_font_description(std::u16string_view text, FontDescription& description);

// The em size in pixels for a logical height.
int32_t pixel_size_for(int32_t logical_height);

class FontRep : private liba::Nocopy {
public:
    // Creates the font for a description that parse_font_description accepted.
    FontRep(std::u16string_view text, const FontDescription& description, int32_t scale);

    const std::u16string& text() const { return m_text; }
    int32_t scale() const { return m_scale; }
    const FontDescription& description() const { return m_description; }
    int32_t logical_height() const { return m_logical_height; }
    int32_t weight() const { return m_weight; }
    // The face name as handed to the font engine: the description's, cut to 31 characters.
    const std::u16string& face_name() const { return m_face_name; }
    // Null when the engine has no font at all.
    const std::shared_ptr<os::FontFace>& face() const { return m_face; }

    // Fonts bound to this representation; kept by the registry.
    int32_t uses = 0;

private:
    std::u16string m_text;
    int32_t m_scale;
    FontDescription m_description;
    int32_t m_logical_height = 0;
    int32_t m_weight = 400;
    std::u16string m_face_name;
    std::shared_ptr<os::FontFace> m_face;
};

} // namespace skinner
