#include "skinner/control_panel.h"

#include "skinner/auto_controls.h"
#include "skinner/key_codes.h"
#include "skinner/properties.h"

namespace skinner {

namespace {

LookupMode inner_mode(LookupMode mode)
{
    return mode == LookupMode::none ? LookupMode::none : LookupMode::named;
}

} // namespace

ControlPanel::ControlPanel(Container& container, std::u16string_view name, LookupMode mode)
    : Control(container, name, mode)
    , m_inner(window(), properties(), get_string(u"FormTemplate", u""), inner_mode(mode), this)
{
    read_background();
    m_inner.set_visible(is_visible());
    m_inner.set_enabled(is_enabled());
    m_inner.resize(rect().position, rect().size);
    m_inner.create_auto_controls(make_auto_control);
}

ControlPanel::~ControlPanel() = default;

void ControlPanel::read_background()
{
    m_background = get_picture(u"Background", m_background);
    if (!form_template().empty() && lookup_mode() != LookupMode::none && properties() != nullptr)
        m_background = properties()->get_form_picture(form_template(), u"Background", m_background);
}

int32_t ControlPanel::on_child_focused()
{
    container().set_focus(this);
    return container().on_child_focused();
}

void ControlPanel::on_focus_gained()
{
    Control::on_focus_gained();
    m_inner.activate(true);
}

void ControlPanel::on_focus_lost()
{
    Control::on_focus_lost();
    m_inner.activate(false);
}

void ControlPanel::on_show(bool visible)
{
    m_inner.set_visible(visible);
}

bool ControlPanel::wants_gestures(Point point)
{
    return m_inner.wants_gesture(point) || Control::wants_gestures(point);
}

void ControlPanel::on_enable(bool enabled)
{
    m_inner.set_enabled(enabled);
}

void ControlPanel::paint(Canvas& canvas, Point dirty_position, Size dirty_size)
{
    m_background.draw(canvas, rect().position, rect().size);
    m_inner.paint(canvas, dirty_position, dirty_size);
    Control::paint(canvas, dirty_position, dirty_size);
}

void ControlPanel::on_mouse_move(Point point)
{
    m_inner.mouse_move(point);
}

void ControlPanel::on_mouse_leave()
{
    m_inner.set_hover(nullptr);
}

void ControlPanel::on_button0_down(Point point, bool double_click)
{
    m_inner.mouse_down(ButtonTap, point, double_click);
}

void ControlPanel::on_button0_up(Point point, bool)
{
    m_inner.mouse_up(ButtonTap, point);
}

void ControlPanel::on_button2_down(Point point, bool double_click)
{
    m_inner.mouse_down(ButtonHold, point, double_click);
}

void ControlPanel::on_button2_up(Point point, bool)
{
    m_inner.mouse_up(ButtonHold, point);
}

void ControlPanel::on_button1_down(Point point, bool double_click)
{
    m_inner.mouse_down(ButtonSecond, point, double_click);
}

void ControlPanel::on_button1_up(Point point, bool)
{
    m_inner.mouse_up(ButtonSecond, point);
}

bool ControlPanel::on_char(std::u16string_view text)
{
    return m_inner.on_char(text);
}

bool ControlPanel::on_key_down(int32_t key)
{
    return m_inner.on_key_down(key);
}

bool ControlPanel::on_key_up(int32_t key)
{
    return m_inner.on_key_up(key);
}

void ControlPanel::on_timer(uint32_t id)
{
    Control::on_timer(id);
    m_inner.on_timer(id);
}

void ControlPanel::set_rect(const Rect& rect)
{
    Control::set_rect(rect);
    if (m_inner.origin() != rect.position || m_inner.size() != rect.size)
        m_inner.resize(rect.position, rect.size);
}

void ControlPanel::on_skin_changed()
{
    Control::on_skin_changed();
    read_background();
    m_inner.on_skin_changed();
}

} // namespace skinner
