#include "skinner/control_edit.h"

#include "skinner/control_window.h"
#include "skinner/key_codes.h"

#include <algorithm>

namespace skinner {

namespace {

bool is_low_surrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

bool is_printable(char16_t unit)
{
    return unit >= 0x20 && unit != 0x7F;
}

} // namespace

ControlEdit::ControlEdit(Container& container, std::u16string_view name, LookupMode mode)
    : Control(container, name, mode)
    , m_font(window().default_font())
{
    read_edit_properties();
}

void ControlEdit::read_edit_properties()
{
    m_picture = get_picture(u"Normal", m_picture);
    m_font = get_font(u"Normal", m_font);
    m_color = get_color(u"Normal", m_color);
    m_border_min = get_point(u"BorderMin", m_border_min);
    m_border_max = get_point(u"BorderMax", m_border_min);
}

void ControlEdit::on_skin_changed()
{
    Control::on_skin_changed();
    read_edit_properties();
    invalidate();
}

void ControlEdit::set_text(std::u16string_view text)
{
    m_text = text;
    m_caret = m_text.size();
    invalidate();
}

void ControlEdit::finish(bool keep)
{
    if (m_finished)
        m_finished(keep);
}

size_t ControlEdit::previous_boundary(size_t index) const
{
    if (index == 0)
        return 0;
    --index;
    if (index > 0 && is_low_surrogate(m_text[index]))
        --index;
    return index;
}

size_t ControlEdit::next_boundary(size_t index) const
{
    if (index >= m_text.size())
        return m_text.size();
    ++index;
    if (index < m_text.size() && is_low_surrogate(m_text[index]))
        ++index;
    return index;
}

bool ControlEdit::on_char(std::u16string_view text)
{
    std::u16string typed;
    for (char16_t unit : text)
        if (is_printable(unit))
            typed += unit;
    if (typed.empty())
        return false;
    m_text.insert(m_caret, typed);
    m_caret += typed.size();
    invalidate();
    return true;
}

bool ControlEdit::on_key_down(int32_t key)
{
    switch (key) {
    case KeyEnter:
        finish(true);
        return true;
    case KeyEscape:
        finish(false);
        return true;
    case KeyTab:
        return false;
    default:
        if (edit_key(key))
            invalidate();
        return true;
    }
}

// Whether the key changed the text or the caret.
bool ControlEdit::edit_key(int32_t key)
{
    size_t before = m_caret;
    switch (key) {
    case KeyBackspace: {
        size_t start = previous_boundary(m_caret);
        m_text.erase(start, m_caret - start);
        m_caret = start;
        return start != before;
    }
    case KeyDelete: {
        size_t end = next_boundary(m_caret);
        m_text.erase(m_caret, end - m_caret);
        return end != before;
    }
    case KeyLeft:
        m_caret = previous_boundary(m_caret);
        break;
    case KeyRight:
        m_caret = next_boundary(m_caret);
        break;
    case KeyHome:
        m_caret = 0;
        break;
    case KeyEnd:
        m_caret = m_text.size();
        break;
    default:
        return false;
    }
    return m_caret != before;
}

void ControlEdit::paint(Canvas& canvas, Point dirty_position, Size dirty_size)
{
    const Rect& box = rect();
    m_picture.draw(canvas, box.position, box.size);
    Rect text_box {{box.left() + m_border_min.x, box.top() + m_border_min.y},
        {box.size.width - m_border_min.x - m_border_max.x,
            box.size.height - m_border_min.y - m_border_max.y}};
    if (!text_box.empty()) {
        Size line = m_font.measure(m_text);
        int32_t caret_x = m_font.measure(std::u16string_view(m_text).substr(0, m_caret)).width;
        int32_t scroll = std::max(0, caret_x - text_box.size.width + 1);
        Rect old_clip = canvas.clip();
        canvas.set_clip(intersect(old_clip, text_box));
        Point origin {text_box.left() - scroll, text_box.top()};
        m_font.draw_text(
            canvas, m_color, m_text, origin, {line.width + 1, text_box.size.height}, AlignNear, AlignCentre);
        int32_t caret_height = std::min(line.height, text_box.size.height);
        Point caret {origin.x + caret_x, text_box.top() + (text_box.size.height - caret_height) / 2};
        canvas.fill({caret, {1, caret_height}}, m_color.pixel());
        canvas.set_clip(old_clip);
    }
    Control::paint(canvas, dirty_position, dirty_size);
}

} // namespace skinner
