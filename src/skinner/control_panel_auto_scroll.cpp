#include "skinner/control_panel_auto_scroll.h"

namespace skinner {

ControlPanelAutoScroll::ControlPanelAutoScroll(
    Container& container, std::u16string_view name, LookupMode mode)
    : ControlPanel(container, name, mode)
{
    std::u16string vertical_kind = get_string(u"KindScroll", u"");
    std::u16string horizontal_kind = get_string(u"KindHScroll", u"");
    m_vertical = std::make_unique<ControlScrollBar>(inner(), vertical_kind, LookupMode::kind);
    m_horizontal = std::make_unique<ControlScrollBar>(inner(), horizontal_kind, LookupMode::kind);
    m_vertical->set_want_focus(false);
    m_horizontal->set_want_focus(false);
    m_vertical->set_visible(false);
    m_horizontal->set_visible(false);
    read_auto_scroll_properties();
}

ControlPanelAutoScroll::~ControlPanelAutoScroll()
{
    m_vertical.reset();
    m_horizontal.reset();
}

void ControlPanelAutoScroll::read_auto_scroll_properties()
{
    m_metrics.scroll_width = get_int_scaled(u"ScrollWidth", m_metrics.scroll_width);
    m_metrics.scroll_height = get_int_scaled(u"ScrollHeight", m_metrics.scroll_width);
    m_metrics.border_min = get_point(u"BorderMin", m_metrics.border_min);
    m_metrics.border_max = get_point(u"BorderMax", m_metrics.border_min);
    m_metrics.scroll_border_min = get_point(u"ScrollBorderMin", m_metrics.scroll_border_min);
    m_metrics.scroll_border_max = get_point(u"ScrollBorderMax", m_metrics.scroll_border_min);
}

void ControlPanelAutoScroll::on_skin_changed()
{
    ControlPanel::on_skin_changed();
    read_auto_scroll_properties();
    set_rect(rect());
}

void ControlPanelAutoScroll::set_rect(const Rect& rect)
{
    ControlPanel::set_rect(rect);
    if (m_content != nullptr)
        layout(*m_content, rect.position, rect.size, m_content_size);
    else
        place_bars();
}

void ControlPanelAutoScroll::layout(Control& content, Point position, Size size, Size content_size)
{
    m_content = &content;
    m_content_size = content_size;
    m_layout = auto_scroll_layout(m_metrics, {position, size}, content_size);
    content.set_rect(m_layout.content);
    m_vertical->set_visible(m_layout.vertical_bar);
    m_horizontal->set_visible(m_layout.horizontal_bar);
    place_bars();
}

void ControlPanelAutoScroll::place_bars()
{
    m_vertical->set_rect(m_layout.vertical_rect);
    m_horizontal->set_rect(m_layout.horizontal_rect);
}

} // namespace skinner
