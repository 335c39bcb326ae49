#include "skinner/control.h"

#include "skinner/container.h"
#include "skinner/control_layout.h"
#include "skinner/control_window.h"
#include "skinner/properties.h"

namespace skinner {

namespace {

// Cursor names are matched as the skin spells them, never through the language.
const liba::StringTranslator& untranslated()
{
    static const liba::StringTranslator s_none;
    return s_none;
}

Point as_point(Size size)
{
    return {size.width, size.height};
}

Size as_size(Point point)
{
    return {point.x, point.y};
}

} // namespace

Control::Control(Container& container, std::u16string_view name, LookupMode mode)
    : m_container(&container)
    , m_mode(mode)
{
    if (mode == LookupMode::kind)
        m_kind_name = name;
    else
        m_name = name;
    if (reads_properties())
        read_common_properties();
    container.register_control(*this);
}

Control::~Control()
{
    stop_timer();
    m_container->unregister_control(*this);
}

// Listener slots passed on ------------------------------------------------------------------------

int32_t Control::on_child_click(Control& control, Point argument)
{
    return m_container->on_child_click(control, argument);
}

int32_t Control::on_cell_click(Control& grid, const GridClick& click)
{
    return m_container->on_cell_click(grid, click);
}

int32_t Control::on_cell_hold(Control& grid, const GridClick& click)
{
    return m_container->on_cell_hold(grid, click);
}

int32_t Control::on_edit_finished(Control& grid, const GridEdit& edit)
{
    return m_container->on_edit_finished(grid, edit);
}

int32_t Control::on_scroll(Control& bar, int32_t position)
{
    return m_container->on_scroll(bar, position);
}

int32_t Control::on_command(std::u16string_view command)
{
    return m_container->on_command(command);
}

int32_t Control::on_child_value(Control& control, double value)
{
    return m_container->on_child_value(control, value);
}

int32_t Control::on_value_changed(Control& control)
{
    return m_container->on_value_changed(control);
}

int32_t Control::on_header_click(Control& grid, const GridClick& click)
{
    return m_container->on_header_click(grid, click);
}

int32_t Control::on_header_hold(Control& grid, const GridClick& click)
{
    return m_container->on_header_hold(grid, click);
}

int32_t Control::on_selection_changed(Control& control)
{
    return m_container->on_selection_changed(control);
}

int32_t Control::on_menu(MenuEntry& menu)
{
    return m_container->on_menu(menu);
}

// Control slots -----------------------------------------------------------------------------------

void Control::set_z_order(int32_t z)
{
    m_z_order = z;
    m_container->sort_controls();
}

void Control::set_want_focus(bool flag)
{
    m_want_focus = flag;
    if (!want_focus())
        m_container->focus_away_from(*this);
}

void Control::on_focus_gained()
{
    invalidate();
}

void Control::on_focus_lost()
{
    invalidate();
}

void Control::on_show(bool)
{
}

bool Control::wants_gestures(Point)
{
    return m_gestures;
}

void Control::on_enable(bool)
{
}

void Control::paint(Canvas& canvas, Point, Size)
{
    if (m_container->is_focused(this))
        m_focus_picture.draw(canvas, m_rect.position, m_rect.size);
}

bool Control::hit_test(Point point) const
{
    return rect_contains(m_rect, point);
}

void Control::on_mouse_move(Point)
{
}
void Control::on_mouse_leave()
{
}
void Control::on_button0_down(Point, bool)
{
}
void Control::on_button0_up(Point, bool)
{
}
void Control::on_button2_down(Point, bool)
{
}
void Control::on_button2_up(Point, bool)
{
}
void Control::on_button1_down(Point, bool)
{
}
void Control::on_button1_up(Point, bool)
{
}

bool Control::on_char(std::u16string_view)
{
    return false;
}

bool Control::on_key_down(int32_t)
{
    return false;
}

bool Control::on_key_up(int32_t)
{
    return false;
}

void Control::on_own_timer()
{
}

void Control::on_timer(uint32_t id)
{
    if (id != 0 && id == m_timer)
        on_own_timer();
}

void Control::set_rect(const Rect& rect)
{
    if (rect == m_rect)
        return;
    invalidate();
    m_rect = rect;
    invalidate();
}

void Control::on_skin_changed()
{
    if (reads_properties())
        read_common_properties();
}

void Control::read_common_properties()
{
    m_cursor = get_cursor(u"Cursor", m_cursor);
    m_anchor_x = anchor_from_name(get_string(u"AnchorX", u"")).value_or(AnchorMode::min_side);
    m_anchor_y = anchor_from_name(get_string(u"AnchorY", u"")).value_or(AnchorMode::min_side);
    m_focus_picture = get_picture(u"Focus", m_focus_picture);
    m_tab_order = get_int(u"TabOrder", m_tab_order);
    m_design_position = get_point(u"Position", m_design_position);
    m_design_size = as_size(get_point(u"Size", as_point(m_design_size)));
    set_visible(get_int(u"Visible", m_visible) != 0);
    set_enabled(get_int(u"Enabled", m_enabled) != 0);
    m_gestures = get_int(u"Gestures", m_gestures) != 0;
    int32_t z = get_int(u"ZOrder", m_z_order);
    if (z != m_z_order)
        set_z_order(z);
    set_want_focus(get_int(u"WantFocus", m_want_focus) != 0);
}

// Helpers -----------------------------------------------------------------------------------------

bool Control::is_visible() const
{
    return m_visible && m_container->is_visible();
}

bool Control::is_enabled() const
{
    return m_enabled && m_container->is_enabled();
}

bool Control::has_capture() const
{
    return m_container->captured() == this;
}

void Control::invalidate()
{
    if (is_visible())
        repaint_area();
}

void Control::invalidate(const Rect& part)
{
    Rect inside = intersect(part, m_rect);
    if (is_visible() && !inside.empty())
        window().invalidate(inside);
}

void Control::repaint_area()
{
    if (!m_rect.empty())
        window().invalidate(m_rect);
}

void Control::set_flag(
    bool& stored, bool flag, bool (Control::*effective)() const, void (Control::*notify)(bool))
{
    if (flag == stored)
        return;
    bool before = (this->*effective)();
    stored = flag;
    bool after = (this->*effective)();
    if (before != after) {
        (this->*notify)(after);
        repaint_area();
    }
    if (!after)
        m_container->focus_away_from(*this);
}

void Control::set_visible(bool flag)
{
    set_flag(m_visible, flag, &Control::is_visible, &Control::on_show);
}

void Control::set_enabled(bool flag)
{
    set_flag(m_enabled, flag, &Control::is_enabled, &Control::on_enable);
}

void Control::set_design_rect(Point position, Size size)
{
    m_design_position = position;
    m_design_size = size;
    m_container->layout();
}

void Control::start_timer(double seconds)
{
    stop_timer();
    m_timer = window().start_timer(seconds);
}

void Control::stop_timer()
{
    if (m_timer == 0)
        return;
    window().kill_timer(m_timer);
    m_timer = 0;
}

bool Control::key_state(int32_t key) const
{
    return window().key_state(key);
}

ControlWindow& Control::window() const
{
    return m_container->window();
}

Properties* Control::properties() const
{
    return m_container->properties();
}

// Property getters --------------------------------------------------------------------------------

bool Control::reads_properties() const
{
    return m_mode != LookupMode::none && properties() != nullptr;
}

std::u16string_view Control::lookup_form() const
{
    return m_mode == LookupMode::kind ? std::u16string_view() : std::u16string_view(m_container->form_name());
}

std::u16string_view Control::lookup_control() const
{
    return m_mode == LookupMode::kind ? m_kind_name : m_name;
}

int32_t Control::get_int(std::u16string_view name, int32_t def) const
{
    return reads_properties() ? properties()->get_int(lookup_form(), lookup_control(), name, def) : def;
}

int32_t Control::get_int_scaled(std::u16string_view name, int32_t def) const
{
    return reads_properties() ? properties()->get_int_scaled(lookup_form(), lookup_control(), name, def)
                              : def;
}

Point Control::get_point(std::u16string_view name, Point def) const
{
    return reads_properties() ? properties()->get_point(lookup_form(), lookup_control(), name, def) : def;
}

std::u16string Control::get_string(std::u16string_view name, std::u16string_view def) const
{
    if (!reads_properties())
        return std::u16string(def);
    return properties()->get_string(lookup_form(), lookup_control(), name, def);
}

Color Control::get_color(std::u16string_view name, Color def) const
{
    return reads_properties() ? properties()->get_color(lookup_form(), lookup_control(), name, def) : def;
}

Picture Control::get_picture(std::u16string_view name, const Picture& def) const
{
    return reads_properties() ? properties()->get_picture(lookup_form(), lookup_control(), name, def) : def;
}

Font Control::get_font(std::u16string_view name, const Font& def) const
{
    return reads_properties() ? properties()->get_font(lookup_form(), lookup_control(), name, def) : def;
}

std::optional<os::Cursor> Control::get_cursor(std::u16string_view name, std::optional<os::Cursor> def) const
{
    if (!reads_properties())
        return def;
    std::u16string text
        = properties()->impl().get_string(lookup_form(), lookup_control(), name, u"", untranslated());
    std::optional<os::Cursor> cursor = os::cursor_from_name(text);
    return cursor ? cursor : def;
}

} // namespace skinner
