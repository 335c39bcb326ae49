#include "skinner/control_scroll_bar.h"

#include <algorithm>

namespace skinner {

ControlScrollBar::Button::Button(ControlScrollBar& bar, ScrollPart part, std::u16string_view kind)
    : ControlButton(bar.inner(), kind, LookupMode::kind)
    , m_bar(bar)
    , m_part(part)
{
    set_want_focus(false);
}

void ControlScrollBar::Button::on_button0_down(Point point, bool double_click)
{
    ControlButton::on_button0_down(point, double_click);
    m_press_offset = point - rect().position;
    m_bar.act(m_part);
    if (m_repeat_interval != 0.0) {
        m_countdown.start();
        start_timer(m_repeat_interval);
    }
}

void ControlScrollBar::Button::on_button0_up(Point point, bool double_click)
{
    stop_timer();
    ControlButton::on_button0_up(point, double_click);
}

void ControlScrollBar::Button::on_mouse_move(Point point)
{
    ControlButton::on_mouse_move(point);
    if (m_part == ScrollPart::Thumb && held_by_stylus())
        m_bar.drag_thumb(point, m_press_offset);
}

void ControlScrollBar::Button::on_own_timer()
{
    if (!held_by_stylus()) {
        stop_timer();
        return;
    }
    if (m_countdown.tick(is_enabled()))
        m_bar.act(m_part);
}

ControlScrollBar::ControlScrollBar(Container& container, std::u16string_view name, LookupMode mode)
    : ControlPanel(container, name, mode)
{
    std::u16string kind_min = get_string(u"KindMin", u"");
    std::u16string kind_max = get_string(u"KindMax", u"");
    std::u16string kind_space = get_string(u"KindSpace", u"");
    std::u16string kind_track = get_string(u"KindTrack", u"");
    // The thumb is made last so that it paints over the spaces and is hit first.
    auto make = [&](ScrollPart part, const std::u16string& kind) {
        m_buttons[size_t(part)] = std::make_unique<Button>(*this, part, kind);
    };
    make(ScrollPart::MinButton, kind_min);
    make(ScrollPart::MinSpace, kind_space);
    make(ScrollPart::MaxSpace, kind_space);
    make(ScrollPart::MaxButton, kind_max);
    make(ScrollPart::Thumb, kind_track);
    read_bar_properties();
    // The owner is still being built: the first position is taken without telling it.
    m_range.maximum = normalized_scroll_range(m_range).maximum;
    m_position = clamp_scroll_position(m_range, m_position);
    layout_bar();
}

ControlScrollBar::~ControlScrollBar()
{
    // The buttons unregister from the inner container, which still exists here.
    for (auto& button : m_buttons)
        button.reset();
}

void ControlScrollBar::read_bar_properties()
{
    m_vertical = get_int(u"Vertical", m_vertical ? 1 : 0) != 0;
    m_min_button_size = get_int_scaled(u"MinButtonSize", m_min_button_size);
    m_max_button_size = get_int_scaled(u"MaxButtonSize", m_max_button_size);
    m_range.minimum = get_int(u"Min", m_range.minimum);
    m_range.maximum = get_int(u"Max", m_range.maximum);
    m_range.page = get_int(u"Page", m_range.page);
}

int32_t ControlScrollBar::on_child_click(Control& control, Point argument)
{
    for (auto& button : m_buttons)
        if (button.get() == &control)
            return 0;
    return ControlPanel::on_child_click(control, argument);
}

void ControlScrollBar::set_rect(const Rect& rect)
{
    ControlPanel::set_rect(rect);
    layout_bar();
}

void ControlScrollBar::on_skin_changed()
{
    ControlPanel::on_skin_changed();
    read_bar_properties();
    clamp_to(m_position, true);
}

void ControlScrollBar::on_position_changed(int32_t position)
{
    container().on_scroll(*this, position);
}

void ControlScrollBar::set_range(int32_t minimum, int32_t maximum)
{
    if (minimum == m_range.minimum && maximum == m_range.maximum)
        return;
    m_range.minimum = minimum;
    m_range.maximum = maximum;
    clamp_to(m_position, true);
}

void ControlScrollBar::set_page(int32_t page)
{
    if (page == m_range.page)
        return;
    m_range.page = page;
    clamp_to(m_position, true);
}

void ControlScrollBar::set_position(int32_t position)
{
    clamp_to(position, false);
}

void ControlScrollBar::clamp_to(int64_t value, bool force_layout)
{
    m_range.maximum = normalized_scroll_range(m_range).maximum;
    int32_t position = clamp_scroll_position(m_range, value);
    if (position != m_position) {
        m_position = position;
        on_position_changed(position);
        layout_bar();
    } else if (force_layout) {
        layout_bar();
    }
}

void ControlScrollBar::act(ScrollPart part)
{
    clamp_to(scroll_action_target(part, m_position, page_in_use(), m_step), false);
}

void ControlScrollBar::drag_thumb(Point point, Point offset)
{
    int64_t along = m_vertical ? int64_t(point.y) - offset.y - m_min_button_size - rect().top()
                               : int64_t(point.x) - offset.x - m_min_button_size - rect().left();
    along = std::clamp<int64_t>(along, INT32_MIN, INT32_MAX);
    set_position(scroll_drag_position(m_range, m_parts.travel, int32_t(along)));
}

int32_t ControlScrollBar::thumb_border() const
{
    Size border = button(ScrollPart::Thumb).state_styles()[StateNormal].picture.min_size();
    return m_vertical ? border.height : border.width;
}

void ControlScrollBar::layout_bar()
{
    m_parts = scroll_bar_parts(
        rect(), m_vertical, m_range, m_position, m_min_button_size, m_max_button_size, thumb_border());
    for (auto& button : m_buttons)
        button->set_rect(m_parts[button->part()]);
}

} // namespace skinner
