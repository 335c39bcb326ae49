#pragma once

// Fonts for the skin framework and the emulated shell: faces found by family name through
// fontconfig, rendered with FreeType, anti-aliased and blended straight into a Surface.
//
// A request names a family ("Tahoma" becomes the closest face installed, normally a sans), an em
// size in pixels, bold and italic (taken from a matching face when there is one, else synthesized
// by emboldening and slanting the outlines) and underline (drawn under the run). Text is one line
// of UTF-16; characters below U+0020 neither draw nor advance. A font without a glyph for a
// character draws its missing-glyph shape.
//
// Everything here belongs to the user-interface thread: the engine and its faces are not locked.
// Faces are cached by request and keep a cache of rendered glyphs, so drawing the same text again
// costs only the blending.

#include "liba/nocopy.h"
#include "os/surface.h"

#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace os {

struct FontRequest {
    std::u16string family; // empty: the system's default face
    int32_t pixel_size = 12; // em size; cut to 1..s_max_pixel_size
    bool bold = false;
    bool italic = false;
    bool underline = false;

    friend auto operator<=>(const FontRequest&, const FontRequest&) = default;
};

inline constexpr int32_t s_max_pixel_size = 1024;

// A rectangle of surface pixels, right and bottom exclusive.
struct ClipBox {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

class FontFace {
public:
    virtual ~FontFace() = default;

    // The height of a line (ascent + descent) and the distance from its top to the baseline.
    virtual int32_t line_height() const = 0;
    virtual int32_t ascent() const = 0;
    // The sum of the advances and kerning of the run in pixels; 0 for an empty run.
    virtual int32_t measure(std::u16string_view text) = 0;
    // Draws the run with the top of its line at (x, top) in colour (0xAARRGGBB; the alpha byte is
    // ignored), blending the glyph coverage onto the surface inside clip only.
    virtual void draw(Surface& surface, int32_t x, int32_t top, std::u16string_view text, uint32_t color,
        const ClipBox& clip)
        = 0;
    // What was found for the request, for the log: file, size and any synthesized style.
    virtual std::u16string description() const = 0;
};

class FontEngine : private liba::Nocopy {
public:
    // The process-wide engine, created on first use.
    static FontEngine& instance();

    // The face for the request, shared by every caller asking the same. Null only when the system
    // has no usable font file at all (logged once).
    std::shared_ptr<FontFace> open(const FontRequest& request);

    // The FreeType and fontconfig state, shared by the engine and its faces (opaque outside the
    // engine's own file).
    struct Library;

private:
    FontEngine();
    ~FontEngine();

    std::shared_ptr<Library> m_library;
    std::map<FontRequest, std::shared_ptr<FontFace>> m_faces;
    bool m_reported_no_font = false;
};

} // namespace os
