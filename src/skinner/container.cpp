#include "skinner/container.h"

#include "os/fatal_error.h"
#include "skinner/control_layout.h"
#include "skinner/control_window.h"
#include "skinner/key_codes.h"
#include "skinner/properties.h"

#include <algorithm>

namespace skinner {

namespace {

bool sorts_before(const Control* a, const Control* b, uint64_t a_sequence, uint64_t b_sequence)
{
    if (a->z_order() != b->z_order())
        return a->z_order() < b->z_order();
    return a_sequence < b_sequence;
}

bool valid_button(int32_t button)
{
    return button >= 0 && button < s_pointer_button_count;
}

} // namespace

Container::Container(
    ControlWindow& window, Properties* skin, std::u16string_view name, LookupMode mode, Listener* listener)
    : m_window(&window)
    , m_skin(skin)
    , m_name(name)
    , m_mode(mode)
    , m_listener(listener)
{
    m_design_size = read_design_size();
    m_size = m_design_size;
}

Container::~Container()
{
    m_auto_controls.clear();
}

Size Container::read_design_size()
{
    if (m_mode == LookupMode::none || m_name.empty() || m_skin == nullptr)
        return m_design_size;
    Point size = m_skin->get_form_point(m_name, u"Size", {0, 0});
    if (m_window->device_kind() == DeviceKind::smartphone)
        size = m_skin->get_form_point(m_name, u"SizeNoButtons", size);
    return {size.x, size.y};
}

// Listener slots passed on ------------------------------------------------------------------------

int32_t Container::on_child_click(Control& control, Point argument)
{
    return m_listener ? m_listener->on_child_click(control, argument) : 0;
}

int32_t Container::on_cell_click(Control& grid, const GridClick& click)
{
    return m_listener ? m_listener->on_cell_click(grid, click) : 0;
}

int32_t Container::on_cell_hold(Control& grid, const GridClick& click)
{
    return m_listener ? m_listener->on_cell_hold(grid, click) : 0;
}

int32_t Container::on_edit_finished(Control& grid, const GridEdit& edit)
{
    return m_listener ? m_listener->on_edit_finished(grid, edit) : 0;
}

int32_t Container::on_scroll(Control& bar, int32_t position)
{
    return m_listener ? m_listener->on_scroll(bar, position) : 0;
}

int32_t Container::on_command(std::u16string_view command)
{
    return m_listener ? m_listener->on_command(command) : 0;
}

int32_t Container::on_child_value(Control& control, double value)
{
    return m_listener ? m_listener->on_child_value(control, value) : 0;
}

int32_t Container::on_value_changed(Control& control)
{
    return m_listener ? m_listener->on_value_changed(control) : 0;
}

int32_t Container::on_header_click(Control& grid, const GridClick& click)
{
    return m_listener ? m_listener->on_header_click(grid, click) : 0;
}

int32_t Container::on_header_hold(Control& grid, const GridClick& click)
{
    return m_listener ? m_listener->on_header_hold(grid, click) : 0;
}

int32_t Container::on_selection_changed(Control& control)
{
    return m_listener ? m_listener->on_selection_changed(control) : 0;
}

int32_t Container::on_child_focused()
{
    return m_listener ? m_listener->on_child_focused() : 0;
}

int32_t Container::on_menu(MenuEntry& menu)
{
    return m_listener ? m_listener->on_menu(menu) : 0;
}

// Registration and order --------------------------------------------------------------------------

void Container::register_control(Control& control)
{
    if (!control.name().empty() && find_control(control.name()) != nullptr) {
        os::fatal_error(u"Container::register_control",
            u"control with id {" + control.name() + u"} already exists in container");
    }
    control.m_sequence = m_next_sequence++;
    auto place = std::upper_bound(m_controls.begin(), m_controls.end(), &control,
        [](const Control* a, const Control* b) { return sorts_before(a, b, a->m_sequence, b->m_sequence); });
    m_controls.insert(place, &control);
    layout_control(control);
}

void Container::unregister_control(Control& control)
{
    std::erase(m_controls, &control);
    if (m_focused == &control)
        m_focused = nullptr;
    if (m_hover == &control)
        m_hover = nullptr;
    if (m_captured == &control) {
        m_captured = nullptr;
        m_down = {};
        m_down_double = {};
    }
}

Control* Container::find_control(std::u16string_view name) const
{
    for (Control* control : m_controls) {
        if (control->name() == name)
            return control;
    }
    return nullptr;
}

bool Container::is_registered(const Control* control) const
{
    return control != nullptr && std::find(m_controls.begin(), m_controls.end(), control) != m_controls.end();
}

void Container::sort_controls()
{
    std::sort(m_controls.begin(), m_controls.end(),
        [](const Control* a, const Control* b) { return sorts_before(a, b, a->m_sequence, b->m_sequence); });
}

void Container::for_each_control(const std::function<void(Control&)>& action)
{
    std::vector<Control*> snapshot = m_controls;
    for (Control* control : snapshot) {
        if (is_registered(control))
            action(*control);
    }
}

// Layout ------------------------------------------------------------------------------------------

void Container::resize(Point origin, Size size)
{
    m_origin = origin;
    m_size = size;
    layout();
}

void Container::layout()
{
    for_each_control([this](Control& control) { layout_control(control); });
}

void Container::layout_control(Control& control)
{
    control.set_rect(anchor_rect(control.anchor_x(), control.anchor_y(), m_origin, m_design_size, m_size,
        control.design_position(), control.size_property()));
}

void Container::on_skin_changed()
{
    m_auto_controls.clear();
    m_design_size = read_design_size();
    if (m_factory)
        create_auto_controls(m_factory);
    for_each_control([](Control& control) { control.on_skin_changed(); });
    sort_controls();
    layout();
}

void Container::create_auto_controls(AutoControlFactory factory)
{
    m_auto_controls.clear();
    m_factory = std::move(factory);
    if (!m_factory || m_skin == nullptr || m_mode == LookupMode::none || m_name.empty())
        return;
    uint32_t count = m_skin->auto_control_count(m_name);
    for (uint32_t index = 0; index < count; ++index) {
        auto [name, kind] = m_skin->auto_control(m_name, index);
        if (std::unique_ptr<Control> control = m_factory(*this, name, kind))
            m_auto_controls.push_back(std::move(control));
    }
}

void Container::set_flag(bool& stored, bool flag, bool (Control::*own)() const, void (Control::*notify)(bool))
{
    if (flag == stored)
        return;
    stored = flag;
    for_each_control([&](Control& control) {
        if ((control.*own)())
            (control.*notify)(flag);
    });
}

void Container::set_visible(bool flag)
{
    set_flag(m_visible, flag, &Control::visible_flag, &Control::on_show);
}

void Container::set_enabled(bool flag)
{
    set_flag(m_enabled, flag, &Control::enabled_flag, &Control::on_enable);
}

// Focus -------------------------------------------------------------------------------------------

void Container::set_focus(Control* control)
{
    if (control == m_focused)
        return;
    Control* old = m_focused;
    m_focused = control;
    if (m_active && old != nullptr)
        old->on_focus_lost();
    if (m_active && control != nullptr && m_focused == control)
        control->on_focus_gained();
}

bool Container::is_focused(const Control* control) const
{
    return m_active && control != nullptr && control == m_focused;
}

void Container::activate(bool flag)
{
    if (flag == m_active)
        return;
    m_active = flag;
    if (!flag) {
        if (m_focused != nullptr)
            m_focused->on_focus_lost();
        return;
    }
    if (m_focused == nullptr)
        move_focus(true);
    else
        m_focused->on_focus_gained();
}

std::vector<Control*> Container::focus_order() const
{
    std::vector<Control*> order;
    for (Control* control : m_controls) {
        if (control->want_focus() && control->is_visible() && control->is_enabled())
            order.push_back(control);
    }
    std::stable_sort(order.begin(), order.end(),
        [](const Control* a, const Control* b) { return a->tab_order() < b->tab_order(); });
    return order;
}

bool Container::move_focus(bool forward)
{
    std::vector<Control*> order = focus_order();
    auto found = std::find(order.begin(), order.end(), m_focused);
    int32_t current = found == order.end() ? -1 : int32_t(found - order.begin());
    FocusStep step = focus_step(int32_t(order.size()), current, forward);
    if (step.target < 0)
        return false;
    focus(*order[size_t(step.target)]);
    return step.moved;
}

void Container::focus(Control& control)
{
    set_focus(&control);
    on_child_focused();
}

void Container::focus_away_from(Control& control)
{
    if (m_focused != &control)
        return;
    move_focus(true);
    if (m_focused == &control)
        set_focus(nullptr);
}

// Keys and timers ---------------------------------------------------------------------------------

bool Container::on_char(std::u16string_view text)
{
    return m_focused != nullptr && m_focused->on_char(text);
}

bool Container::on_key_down(int32_t key)
{
    if (m_focused != nullptr && m_focused->on_key_down(key))
        return true;
    switch (key) {
    case KeyTab:
        if (m_window->key_state(KeyControl) || m_window->key_state(KeyAlt))
            return false;
        return move_focus(!m_window->key_state(KeyShift));
    case KeyUp:
        return move_focus(false);
    case KeyDown:
        return move_focus(true);
    default:
        return false;
    }
}

bool Container::on_key_up(int32_t key)
{
    return m_focused != nullptr && m_focused->on_key_up(key);
}

void Container::on_timer(uint32_t id)
{
    for_each_control([id](Control& control) { control.on_timer(id); });
}

// Pointer -----------------------------------------------------------------------------------------

Control* Container::control_at(Point point) const
{
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
        if ((*it)->is_visible() && (*it)->hit_test(point))
            return *it;
    }
    return nullptr;
}

bool Container::set_hover(Control* control)
{
    if (control == m_hover)
        return false;
    Control* old = m_hover;
    m_hover = control;
    if (old != nullptr) {
        old->on_mouse_leave();
        old->invalidate();
    }
    if (m_hover != nullptr)
        m_hover->invalidate();
    m_window->set_cursor(m_hover != nullptr ? m_hover->cursor() : std::nullopt);
    return true;
}

void Container::deliver_down(Control& control, int32_t button, Point point, bool double_click)
{
    if (button == ButtonTap)
        control.on_button0_down(point, double_click);
    else if (button == ButtonHold)
        control.on_button2_down(point, double_click);
    else
        control.on_button1_down(point, double_click);
}

void Container::deliver_up(Control& control, int32_t button, Point point, bool double_click)
{
    if (button == ButtonTap)
        control.on_button0_up(point, double_click);
    else if (button == ButtonHold)
        control.on_button2_up(point, double_click);
    else
        control.on_button1_up(point, double_click);
}

void Container::mouse_down(int32_t button, Point point, bool double_click)
{
    if (!valid_button(button))
        return;
    m_last_point = point;
    if (m_captured == nullptr) {
        Control* target = control_at(point);
        if (target != nullptr && target->is_enabled()) {
            set_hover(target);
            m_captured = target;
            if (target->want_focus())
                focus(*target);
        } else {
            set_hover(nullptr);
        }
    }
    // Focusing may have run code that let go of the control.
    if (m_captured == nullptr)
        return;
    m_down[size_t(button)] = true;
    m_down_double[size_t(button)] = double_click;
    deliver_down(*m_captured, button, point, double_click);
}

void Container::mouse_up(int32_t button, Point point)
{
    if (!valid_button(button))
        return;
    m_last_point = point;
    if (m_captured == nullptr)
        return;
    bool double_click = m_down_double[size_t(button)];
    m_down[size_t(button)] = false;
    m_down_double[size_t(button)] = false;
    deliver_up(*m_captured, button, point, double_click);
    if (std::none_of(m_down.begin(), m_down.end(), [](bool down) { return down; }))
        m_captured = nullptr;
}

void Container::mouse_move(Point point)
{
    m_last_point = point;
    if (m_captured != nullptr) {
        m_captured->on_mouse_move(point);
        return;
    }
    Control* target = control_at(point);
    if (target != nullptr && target->is_enabled()) {
        set_hover(target);
        if (m_hover == target)
            target->on_mouse_move(point);
    } else {
        set_hover(nullptr);
    }
}

bool Container::is_down(int32_t button) const
{
    return valid_button(button) && m_down[size_t(button)];
}

bool Container::wants_gesture(Point point)
{
    Control* target = control_at(point);
    return target != nullptr && target->wants_gestures(point);
}

void Container::paint(Canvas& canvas, Point dirty_position, Size dirty_size)
{
    Rect dirty {dirty_position, dirty_size};
    for (size_t i = 0; i < m_controls.size(); ++i) {
        Control* control = m_controls[i];
        if (control->is_visible() && overlaps(control->rect(), dirty))
            control->paint(canvas, dirty_position, dirty_size);
    }
}

} // namespace skinner
