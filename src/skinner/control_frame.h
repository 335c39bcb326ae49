#pragma once

// The skinned static element of a form: a picture with an optional text on it, used for labels,
// status lines and title areas, and as a named placeholder whose rectangle other code reads. The
// text is one line (shortened with an ellipsis when "Ellipsis" is set) or, with "Wrap", broken
// into lines at spaces, line feeds and the "\n" marker (text_wrap.h) for the frame's width.
//
// Properties, after the common ones: "BorderMin", "BorderMax" (BorderMax defaults to BorderMin:
// the insets of the text), "HAlignment", "VAlignment" (names of control_names.h; missing or
// unknown = centred), "Normal" (picture, font and colour; the font defaults to the window's
// default font, the picture and colour to the current ones), "Text" (translated), "Wrap",
// "AutoSize", "Ellipsis" (integers, default 0). A frame does not want the focus unless its skin
// says "WantFocus".
//
// Natural size: with "AutoSize", the widest line plus the horizontal borders by the sum of the
// line heights plus the vertical borders; without it, just the borders. design_size() reports the
// larger of it and "Size" in each direction (the anchor layout keeps using "Size").
//
// User-interface thread only.

#include "skinner/control.h"

#include <string>
#include <vector>

namespace skinner {

class ControlFrame : public Control {
public:
    struct Line {
        std::u16string text;
        Size size; // measured with the frame's font
    };

    ControlFrame(Container& container, std::u16string_view name, LookupMode mode);

    // The picture, then the lines, then the focus picture.
    void paint(Canvas& canvas, Point dirty_position, Size dirty_size) override;
    // A wrapping frame whose width changes breaks its text again.
    void set_rect(const Rect& rect) override;
    Size design_size() const override;
    void on_skin_changed() override;

    // Rebuilds the lines and the natural size from text.
    virtual void layout_text(std::u16string_view text);

    // Stores a different text, lays it out and repaints.
    void set_text(std::u16string_view text);

    const std::u16string& text() const { return m_text; }
    const std::vector<Line>& lines() const { return m_lines; }
    Size natural_size() const { return m_natural_size; }
    bool wraps() const { return m_wrap; }
    bool auto_sizes() const { return m_auto_size; }
    bool ellipsis() const { return m_ellipsis; }
    Point border_min() const { return m_border_min; }
    Point border_max() const { return m_border_max; }
    int32_t horizontal_alignment() const { return m_horizontal; }
    int32_t vertical_alignment() const { return m_vertical; }
    const Picture& picture() const { return m_picture; }
    const Font& font() const { return m_font; }
    Color color() const { return m_color; }

private:
    void read_frame_properties();
    // The width the text may take: the frame's minus the horizontal borders.
    int32_t available_width() const;
    void draw_line(
        Canvas& canvas, const std::u16string& text, Point position, Size size, int32_t vertical) const;

    Point m_border_min;
    Point m_border_max;
    int32_t m_horizontal = AlignCentre;
    int32_t m_vertical = AlignCentre;
    Picture m_picture;
    Font m_font;
    Color m_color;
    std::u16string m_text;
    bool m_wrap = false;
    bool m_auto_size = false;
    bool m_ellipsis = false;
    std::vector<Line> m_lines;
    Size m_natural_size;
};

} // namespace skinner
