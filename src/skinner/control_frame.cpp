#include "skinner/control_frame.h"

#include "skinner/control_layout.h"
#include "skinner/control_names.h"
#include "skinner/control_window.h"
#include "skinner/text_wrap.h"

#include <algorithm>

namespace skinner {

ControlFrame::ControlFrame(Container& container, std::u16string_view name, LookupMode mode)
    : Control(container, name, mode)
    , m_font(window().default_font())
{
    // A frame wants the focus only when its skin says so: "WantFocus" defaults to 0 here.
    set_want_focus(get_int(u"WantFocus", 0) != 0);
    read_frame_properties();
}

void ControlFrame::read_frame_properties()
{
    if (lookup_mode() != LookupMode::none && properties() != nullptr) {
        m_border_min = get_point(u"BorderMin", m_border_min);
        m_border_max = get_point(u"BorderMax", m_border_min);
        m_horizontal = horizontal_alignment_from_name(get_string(u"HAlignment", u"")).value_or(AlignCentre);
        m_vertical = vertical_alignment_from_name(get_string(u"VAlignment", u"")).value_or(AlignCentre);
        m_picture = get_picture(u"Normal", m_picture);
        m_font = get_font(u"Normal", window().default_font());
        m_color = get_color(u"Normal", m_color);
        m_text = get_string(u"Text", m_text);
        m_wrap = get_int(u"Wrap", 0) != 0;
        m_auto_size = get_int(u"AutoSize", 0) != 0;
        m_ellipsis = get_int(u"Ellipsis", 0) != 0;
    }
    layout_text(m_text);
    invalidate();
}

void ControlFrame::on_skin_changed()
{
    Control::on_skin_changed();
    read_frame_properties();
}

int32_t ControlFrame::available_width() const
{
    return inset_rect(rect(), m_border_min, m_border_max).size.width;
}

void ControlFrame::layout_text(std::u16string_view text)
{
    std::vector<std::u16string> pieces;
    if (m_wrap) {
        pieces = wrap_text(text, available_width(),
            [this](std::u16string_view piece) { return m_font.measure(piece).width; });
    } else {
        pieces.emplace_back(text);
    }
    m_lines.clear();
    Size text_size;
    for (std::u16string& piece : pieces) {
        Size size = m_font.measure(piece);
        text_size.width = std::max(text_size.width, size.width);
        text_size.height += size.height;
        m_lines.push_back({std::move(piece), size});
    }
    m_natural_size = {m_border_min.x + m_border_max.x, m_border_min.y + m_border_max.y};
    if (m_auto_size) {
        m_natural_size.width += text_size.width;
        m_natural_size.height += text_size.height;
    }
}

void ControlFrame::set_text(std::u16string_view text)
{
    if (text == m_text)
        return;
    m_text = text;
    layout_text(m_text);
    invalidate();
}

Size ControlFrame::design_size() const
{
    Size size = Control::design_size();
    return {std::max(size.width, m_natural_size.width), std::max(size.height, m_natural_size.height)};
}

void ControlFrame::set_rect(const Rect& rect)
{
    bool rewrap = m_wrap && rect.size.width != this->rect().size.width;
    Control::set_rect(rect);
    if (rewrap)
        layout_text(m_text);
}

// Painting ----------------------------------------------------------------------------------------

void ControlFrame::draw_line(
    Canvas& canvas, const std::u16string& text, Point position, Size size, int32_t vertical) const
{
    if (m_ellipsis)
        m_font.draw_text_ellipsis(canvas, m_color, text, position, size, m_horizontal, vertical);
    else
        m_font.draw_text(canvas, m_color, text, position, size, m_horizontal, vertical);
}

void ControlFrame::paint(Canvas& canvas, Point dirty_position, Size dirty_size)
{
    m_picture.draw(canvas, rect().position, rect().size);
    Rect box = inset_rect(rect(), m_border_min, m_border_max);
    if (m_lines.size() == 1) {
        draw_line(canvas, m_lines.front().text, box.position, box.size, m_vertical);
    } else if (m_lines.size() > 1) {
        int32_t total = 0;
        for (const Line& line : m_lines)
            total += line.size.height;
        int32_t top = box.position.y;
        if (m_vertical == AlignCentre)
            top += std::max(0, (rect().size.height - total) / 2);
        else if (m_vertical == AlignFar)
            top = rect().bottom() - m_border_max.y - total;
        for (const Line& line : m_lines) {
            Size size {box.size.width, line.size.height - m_border_min.y - m_border_max.y};
            draw_line(canvas, line.text, {box.position.x, top}, size, AlignCentre);
            top += line.size.height;
        }
    }
    Control::paint(canvas, dirty_position, dirty_size);
}

} // namespace skinner
