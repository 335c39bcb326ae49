#pragma once

// A skin font: a value bound to a shared FontRep in a process-wide registry keyed by (description
// text, scale). Copies share the representation; the last font to let go of it frees it. A font
// that was never set (or whose engine found no font file) draws with the default face at 12 pixels.
//
// Text is drawn as one line: characters below U+0020 neither draw nor advance, and ink is clipped
// to the text rectangle (and the canvas's clip). Alignments are 0, 1, 2: left/top, centre,
// right/bottom (geometry.h).
//
// User-interface thread only; the registry is not locked.

#include "skinner/canvas.h"
#include "skinner/geometry.h"
#include "skinner/registry_use.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace skinner {

class FontRep;

class Font {
public:
    // An unset font for a skin of this scale (cut to 1..4).
    explicit Font(int32_t scale = 1);
    Font(const Font& other);
    Font(Font&& other) noexcept;
    Font& operator=(const Font& other);
    Font& operator=(Font&& other) noexcept;
    ~Font();

    // Binds the font to (description, scale) when the description is well formed (font_rep.h),
    // creating the representation on first use; a malformed one leaves the font as it was.
    // Returns whether the description was well formed.
    bool set(std::u16string_view description);

    void draw_text(Canvas& canvas, Color color, std::u16string_view text, Point position, Size size,
        int32_t horizontal, int32_t vertical) const;
    // The same, but a text at least as wide as the rectangle is cut to the longest prefix that
    // fits with a trailing U+2026 (shorten_with_ellipsis).
    void draw_text_ellipsis(Canvas& canvas, Color color, std::u16string_view text, Point position, Size size,
        int32_t horizontal, int32_t vertical) const;
    // The width (0 for an empty text) and the line height of one line.
    Size measure(std::u16string_view text) const;

    int32_t scale() const { return m_scale; }
    // The shared representation; null while unset.
    const FontRep* rep() const { return m_rep.get(); }

    // Representations alive in the registry.
    static size_t loaded_count();

private:
    // Takes the representation out of the registry.
    static void forget(const FontRep& rep);

    RegistryUse<FontRep, &Font::forget> m_rep;
    int32_t m_scale = 1;
};

inline constexpr char16_t s_ellipsis = u'\u2026';

// The text to draw for an available width: the whole text when it is empty or narrower than
// available, else the longest prefix found by bisection whose width plus the ellipsis's stays
// below available, followed by the ellipsis. A prefix never ends between the two halves of a
// surrogate pair.
std::u16string shorten_with_ellipsis(
    std::u16string_view text, int32_t available, const std::function<int32_t(std::u16string_view)>& width);

} // namespace skinner
