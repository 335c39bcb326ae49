#include "skinner/form.h"

#include "liba/text.h"
#include "os/fatal_error.h"
#include "os/message_box.h"
#include "os/screen.h"
#include "skinner/auto_controls.h"
#include "skinner/device_capability.h"
#include "skinner/form_workarea.h"
#include "skinner/picture_rep.h"
#include "skinner/properties.h"

#include <algorithm>
#include <limits>

namespace skinner {

namespace {

std::vector<Form*> s_forms;

constexpr std::u16string_view s_default_font = u"32 0 0 0 Tahoma";
// A "Position" no skin can give (points are 16-bit, times a scale of at most 4): the form-level
// point is absent when this comes back.
constexpr Point s_no_position {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min()};

Font default_font_for(const Properties* skin)
{
    Font font(skin ? skin->impl().scale() : 1);
    font.set(s_default_font);
    return font;
}

} // namespace

Form::Form(Form* parent, Properties* skin, std::u16string_view name, Listener* listener)
    : FormImplHolder(*this, parent ? &parent->impl() : nullptr)
    , Container(m_form_impl, skin, name, LookupMode::named, listener)
    , m_parent(parent)
{
    s_forms.push_back(this);
    read_form_properties();
    m_form_impl.register_menu_bar();
    create_auto_controls(make_auto_control);
    // Placed once the auto controls exist, so that a form filling the work area holds them.
    m_form_impl.place();
}

Form::~Form()
{
    // From here on the window procedure must not reach the parts of the form already gone.
    m_form_impl.detach();
    std::erase(s_forms, this);
    m_menu_main = nullptr;
    m_form_impl.register_menu_bar();
    m_form_impl.window().show(os::ShowMode::hide);
}

void Form::read_form_properties()
{
    m_form_impl.set_default_font(default_font_for(properties()));
    Properties* skin = properties();
    if (!skin || form_name().empty())
        return;
    m_background = skin->get_form_picture(form_name(), u"Background", m_background);
    m_start_position = skin->get_form_int(form_name(), u"StartPosition", m_start_position);
}

void Form::on_skin_changed()
{
    Size design_before = design_size();
    Container::on_skin_changed();
    read_form_properties();
    if (design_size() != design_before) {
        resize({0, 0}, design_size());
        m_form_impl.place();
    }
    m_form_impl.invalidate_all();
}

void Form::bring_to_front()
{
    os::Window& window = m_form_impl.window();
    bool minimized = window.is_minimized();
    window.bring_to_front();
    if (minimized || window.is_enabled())
        return;
    // A modal dialog of the form has disabled it: the dialog is what the user gets back.
    const std::vector<os::Window*>& windows = window.screen().windows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        os::Window* owned = *it;
        if (owned == &window || !owned->is_visible() || !owned->is_enabled())
            continue;
        for (os::Window* up = owned->owner(); up; up = up->owner()) {
            if (up == &window) {
                owned->bring_to_front();
                return;
            }
        }
    }
}

void Form::on_picture_failed(const Picture& picture)
{
    if (m_parent) {
        m_parent->on_picture_failed(picture);
        return;
    }
    Properties* skin = properties();
    std::u16string text = skin ? skin->translator().translate(u"on_picture_failed_to_load", u"Out of memory")
                               : std::u16string(u"Out of memory");
    if (const PictureRep* rep = picture.rep()) {
        text += u"\nname=" + rep->name() + u"\nscale=" + liba::to_text(int64_t(rep->scale()))
            + u"\nbase_path=" + rep->skin_path();
    }
    os::message_box(text, m_form_impl.window().caption());
    if (is_modal())
        close();
}

void Form::on_command_line(std::u16string_view)
{
}

bool Form::do_modal()
{
    return m_form_impl.do_modal();
}

void Form::close()
{
    m_form_impl.close();
}

void Form::get_workarea(Point& origin, Size& size, bool ask_input_panel)
{
    os::Screen* screen = os::Screen::current();
    os::Rect area = form_workarea(
        screen ? screen->size() : os::Size {}, static_capability_is_smartphone(), ask_input_panel);
    origin = area.position;
    size = area.size;
}

void Form::register_menu_main(Control& control)
{
    if (m_menu_main)
        os::fatal_error(u"Form::register_menu_main", u"Menu main is already exists");
    m_menu_main = &control;
    m_form_impl.register_menu_bar();
}

void Form::unregister_menu_main(Control& control)
{
    if (m_menu_main != &control)
        os::fatal_error(u"Form::unregister_menu_main", u"Menus do not match");
    m_menu_main = nullptr;
    m_form_impl.register_menu_bar();
}

const std::vector<Form*>& Form::forms()
{
    return s_forms;
}

Form* Form::modal_form()
{
    FormImpl* modal = FormImpl::modal();
    auto found = std::find_if(s_forms.begin(), s_forms.end(), [&](Form* f) { return &f->impl() == modal; });
    return found == s_forms.end() ? nullptr : *found;
}

Size Form::controls_extent() const
{
    Size extent;
    for (const Control* control : controls()) {
        Size size = control->design_size();
        extent.width = std::max(extent.width, control->design_position().x + size.width);
        extent.height = std::max(extent.height, control->design_position().y + size.height);
    }
    return extent;
}

// --- The window procedure's calls ------------------------------------------------------------

void Form::on_window_size(Size size)
{
    resize({0, 0}, size);
}

void Form::on_window_activate(bool active)
{
    activate(active);
}

bool Form::on_window_can_close()
{
    return can_close();
}

void Form::on_window_command(std::u16string_view command)
{
    on_command(command);
}

void Form::on_window_command_line(std::u16string_view text)
{
    // Another copy of the program was started: this one comes to the front in its place.
    bring_to_front();
    on_command_line(text);
}

bool Form::on_window_key_down(int32_t key)
{
    return on_key_down(key);
}

bool Form::on_window_key_up(int32_t key)
{
    return on_key_up(key);
}

bool Form::on_window_char(std::u16string_view text)
{
    return on_char(text);
}

void Form::on_window_timer(uint32_t id)
{
    on_timer(id);
}

bool Form::on_window_wants_gesture(Point point)
{
    return wants_gesture(point);
}

void Form::on_window_mouse_down(int32_t button, Point point, bool double_click)
{
    mouse_down(button, point, double_click);
}

void Form::on_window_mouse_up(int32_t button, Point point)
{
    mouse_up(button, point);
}

void Form::on_window_mouse_move(Point point)
{
    mouse_move(point);
}

void Form::on_window_paint(Canvas& canvas, const Rect& dirty)
{
    m_background.draw(canvas, {0, 0}, size());
    paint(canvas, dirty.position, dirty.size);
}

FormPlacement Form::window_placement()
{
    FormPlacement placement;
    placement.size = size();
    placement.start_position = m_start_position;
    placement.extent = controls_extent();
    if (Properties* skin = properties(); skin && !form_name().empty()) {
        Point position = skin->get_form_point(form_name(), u"Position", s_no_position);
        if (position != s_no_position)
            placement.position = position;
    }
    if (m_parent)
        placement.parent = m_parent->impl().window().rect();
    return placement;
}

} // namespace skinner
