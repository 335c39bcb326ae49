#include "skinner/form_impl.h"

#include "os/fatal_error.h"
#include "os/keys.h"
#include "os/log.h"
#include "os/switches.h"
#include "skinner/control_subclass.h"
#include "skinner/device_capability.h"
#include "skinner/form_events.h"
#include "skinner/form_workarea.h"
#include "skinner/key_codes.h"
#include "skinner/menu_manager_impl.h"

#include <algorithm>
#include <cmath>

namespace skinner {

namespace {

std::vector<FormImpl*> s_windows;
FormImpl* s_modal = nullptr;
std::u16string s_application_name = u"Melodeck";

// Longer intervals than the platform's timers take make no sense; the screen clamps as well.
constexpr double s_max_timer_ms = 2147483647.0;

os::Screen& current_screen()
{
    os::Screen* screen = os::Screen::current();
    if (!screen)
        os::fatal_error(u"FormImpl::FormImpl", u"a form window needs a screen");
    return *screen;
}

bool read_flicker_switch()
{
    uint32_t value = 0;
    os::read_registry_flag(os::s_switches_key, u"Flicker", value);
    return value != 0;
}

enum class RouteDevice { any, pocket_pc, smartphone };

bool device_matches(RouteDevice device)
{
    switch (device) {
    case RouteDevice::pocket_pc:
        return !static_capability_is_smartphone();
    case RouteDevice::smartphone:
        return static_capability_is_smartphone();
    default:
        return true;
    }
}

std::u16string text_of_bytes(const std::vector<uint8_t>& bytes)
{
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return text;
}

} // namespace

struct FormImpl::Route {
    uint32_t id;
    RouteDevice device;
    bool (FormImpl::*handle)(const os::WindowMessage&);
};

// The window procedure: which handler takes which message, on which kind of device. A message
// that no row takes means nothing to a form.
const FormImpl::Route FormImpl::s_routes[] = {
    {os::WM_SIZE, RouteDevice::any, &FormImpl::on_size},
    {os::WM_ACTIVATE, RouteDevice::any, &FormImpl::on_activate},
    {os::WM_PAINT, RouteDevice::any, &FormImpl::on_paint},
    {os::WM_CLOSE, RouteDevice::any, &FormImpl::on_close},
    {os::WM_SETTINGCHANGE, RouteDevice::any, &FormImpl::on_setting_change},
    {WM_FORM_PLACE, RouteDevice::any, &FormImpl::on_place},
    {os::WM_COPYDATA, RouteDevice::any, &FormImpl::on_copy_data},
    {os::WM_KEYDOWN, RouteDevice::smartphone, &FormImpl::on_key_down},
    {WM_SYSKEYDOWN, RouteDevice::smartphone, &FormImpl::on_key_down},
    {os::WM_KEYUP, RouteDevice::any, &FormImpl::on_key_up},
    {WM_SYSKEYUP, RouteDevice::any, &FormImpl::on_key_up},
    {os::WM_CHAR, RouteDevice::smartphone, &FormImpl::on_char},
    {WM_FORM_KEY, RouteDevice::pocket_pc, &FormImpl::on_key_with_char},
    {WM_COMMAND, RouteDevice::any, &FormImpl::on_menu_command},
    {os::WM_HOTKEY, RouteDevice::any, &FormImpl::on_menu_command},
    {WM_INITMENUPOPUP, RouteDevice::any, &FormImpl::on_menu_popup},
    {os::WM_TIMER, RouteDevice::any, &FormImpl::on_timer},
    {os::WM_LBUTTONDOWN, RouteDevice::any, &FormImpl::on_button_down},
    {os::WM_LBUTTONDBLCLK, RouteDevice::any, &FormImpl::on_double_click},
    {os::WM_LBUTTONUP, RouteDevice::any, &FormImpl::on_button_up},
    {os::WM_MOUSEMOVE, RouteDevice::any, &FormImpl::on_mouse_move},
    {os::WM_CAPTURECHANGED, RouteDevice::any, &FormImpl::on_capture_changed},
};

FormImpl::FormImpl(FormEvents& form, FormImpl* owner, FormWindowKind kind, bool visible)
    : m_form(&form)
    , m_owner(owner)
    , m_kind(kind)
    , m_flicker_debug(read_flicker_switch())
    , m_window(current_screen(), *this, owner ? &owner->window() : nullptr,
          kind == FormWindowKind::popup ? os::WindowKind::popup : os::WindowKind::normal)
{
    m_menu_manager = create_menu_manager(*this, device_kind());
    m_window.set_class_name(window_class_name());
    m_window.set_caption(u"Loading...");
    s_windows.push_back(this);
    if (visible)
        m_window.show(os::ShowMode::show_no_activate);
}

FormImpl::~FormImpl()
{
    m_form = nullptr;
    std::erase(s_windows, this);
    if (s_modal == this)
        s_modal = nullptr;
    // The menu manager may still speak to the window while it goes.
    m_menu_manager.reset();
    ControlSubclass::remove_all(m_window.id());
}

// --- The window procedure -------------------------------------------------------------------

intptr_t FormImpl::on_message(os::Window& window, const os::WindowMessage& message)
{
    if (!m_form)
        return 0;
    bool pass_on = true;
    intptr_t hooked = ControlSubclass::run_hooks(window.id(), message, pass_on);
    if (!pass_on)
        return hooked;
    if (!m_form)
        return 0;
    for (const Route& route : s_routes) {
        if (route.id != message.id || !device_matches(route.device))
            continue;
        bool handled = (this->*route.handle)(message);
        if (handled && m_form && m_menu_manager && m_form->has_menu_main())
            m_menu_manager->refresh();
        return 0;
    }
    return 0;
}

bool FormImpl::on_size(const os::WindowMessage& message)
{
    m_form->on_window_size(message.size());
    m_back_buffer = {};
    invalidate_all();
    return true;
}

bool FormImpl::on_activate(const os::WindowMessage& message)
{
    bool active = message.wparam != os::WA_INACTIVE;
    os::log() << (active ? u"WM_ACTIVATE\n" : u"WM_ACTIVATE WA_INACTIVE\n");
    if (!static_capability_is_smartphone())
        m_form->on_window_activate(active);
    else if (active && m_menu_manager)
        m_menu_manager->show();
    return true;
}

bool FormImpl::on_close(const os::WindowMessage&)
{
    os::log() << u"WM_CLOSE received\n";
    if (!m_form->on_window_can_close())
        return true;
    if (!is_popup())
        m_window.post(WM_FORM_END_MODAL);
    m_window.enable(true);
    m_window.show(os::ShowMode::hide);
    return true;
}

bool FormImpl::on_setting_change(const os::WindowMessage& message)
{
    switch (message.wparam) {
    case os::SETTINGCHANGE_RESET:
    case os::SPI_SETWORKAREA:
        m_form->on_window_command(s_screen_resolution_command);
        if (!m_form)
            return false;
        place();
        return true;
    case os::SPI_SETSIPINFO:
        place();
        return true;
    default:
        return false;
    }
}

bool FormImpl::on_place(const os::WindowMessage&)
{
    place();
    return true;
}

bool FormImpl::on_copy_data(const os::WindowMessage& message)
{
    if (message.wparam != 0)
        return false;
    m_form->on_window_command_line(text_of_bytes(message.data));
    return true;
}

bool FormImpl::on_key_down(const os::WindowMessage& message)
{
    m_form->on_window_key_down(os::translate_key(uint32_t(message.wparam)));
    return true;
}

bool FormImpl::on_key_up(const os::WindowMessage& message)
{
    m_form->on_window_key_up(os::translate_key(uint32_t(message.wparam)));
    return true;
}

bool FormImpl::on_char(const os::WindowMessage& message)
{
    if (message.wparam < 32)
        return false;
    m_form->on_window_char(std::u16string(1, char16_t(message.wparam)));
    return true;
}

bool FormImpl::on_key_with_char(const os::WindowMessage& message)
{
    char16_t character = char16_t(message.lparam);
    bool handled = false;
    if (character != 0)
        handled = m_form->on_window_char(std::u16string(1, character));
    if (!handled && m_form)
        m_form->on_window_key_down(os::translate_key(uint32_t(message.wparam)));
    return true;
}

bool FormImpl::on_menu_command(const os::WindowMessage& message)
{
    if (m_menu_manager && m_menu_manager->on_command(message))
        return true;
    // The shell's OK command presses the buttons that watch for it.
    return message.id == WM_COMMAND && m_shell_hooks.on_command(uint32_t(message.wparam & 0xFFFF));
}

bool FormImpl::on_menu_popup(const os::WindowMessage& message)
{
    return m_menu_manager && m_menu_manager->on_popup_init(message);
}

bool FormImpl::on_timer(const os::WindowMessage& message)
{
    m_form->on_window_timer(uint32_t(message.wparam));
    return true;
}

// --- Pointer ----------------------------------------------------------------------------------

bool FormImpl::on_button_down(const os::WindowMessage& message)
{
    Point point = message.point();
    m_last_point = point;
    if (is_popup() && !Rect {{0, 0}, m_window.size()}.contains(point)) {
        m_window.release_capture();
        return true;
    }
    if (m_form->on_window_wants_gesture(point) && screen().recognise_hold(message)) {
        button_down(2, point, false);
        if (m_form)
            button_up(2, point);
        return true;
    }
    button_down(0, point, false);
    return true;
}

bool FormImpl::on_double_click(const os::WindowMessage& message)
{
    Point point = message.point();
    m_last_point = point;
    button_down(0, point, true);
    return true;
}

bool FormImpl::on_button_up(const os::WindowMessage& message)
{
    Point point = message.point();
    m_last_point = point;
    button_up(0, point);
    return true;
}

bool FormImpl::on_mouse_move(const os::WindowMessage& message)
{
    m_last_point = message.point();
    m_form->on_window_mouse_move(m_last_point);
    return true;
}

bool FormImpl::on_capture_changed(const os::WindowMessage& message)
{
    for (int32_t button = 0; button < int32_t(m_down.size()) && m_form; ++button) {
        if (m_down[size_t(button)]) {
            m_down[size_t(button)] = false;
            m_form->on_window_mouse_up(button, m_last_point);
        }
    }
    // A popup lives while it holds the capture: losing it (close() too comes this way) closes it.
    if (is_popup() && m_form && os::WindowId(message.lparam) != m_window.id())
        m_window.send(os::WM_CLOSE);
    return true;
}

void FormImpl::button_down(int32_t button, Point point, bool double_click)
{
    if (!any_button_down() && !is_popup())
        m_window.set_capture();
    m_down[size_t(button)] = true;
    m_form->on_window_mouse_down(button, point, double_click);
}

void FormImpl::button_up(int32_t button, Point point)
{
    m_down[size_t(button)] = false;
    m_form->on_window_mouse_up(button, point);
    if (!any_button_down() && !is_popup() && m_window.has_capture())
        m_window.release_capture();
}

bool FormImpl::any_button_down() const
{
    return std::find(m_down.begin(), m_down.end(), true) != m_down.end();
}

void FormImpl::set_cursor(std::optional<os::Cursor> cursor)
{
    screen().set_cursor(cursor.value_or(os::Cursor::arrow));
}

bool FormImpl::key_state(int32_t key) const
{
    switch (key) {
    case KeyShift:
        return screen().is_key_down(os::VK_SHIFT);
    case KeyControl:
        return screen().is_key_down(os::VK_CONTROL);
    case KeyAlt:
        return screen().is_key_down(os::VK_MENU);
    default:
        return false;
    }
}

DeviceKind FormImpl::device_kind() const
{
    return skinner::device_kind();
}

int32_t FormImpl::os_major_version() const
{
    return os::s_os_version_major;
}

bool FormImpl::is_button_down(int32_t button) const
{
    return button >= 0 && button < int32_t(m_down.size()) && m_down[size_t(button)];
}

// --- Painting ---------------------------------------------------------------------------------

void FormImpl::invalidate(Point position, Size size)
{
    Rect client {{0, 0}, m_window.size()};
    Rect rect = intersect({position, size}, client);
    if (rect.empty())
        return;
    m_dirty = os::unite(m_dirty, rect);
    add_dirty_part(rect);
    m_window.invalidate(rect);
}

void FormImpl::add_dirty_part(Rect rect)
{
    for (size_t i = 0; i < m_dirty_parts.size();) {
        if (os::intersect(m_dirty_parts[i], rect).empty()) {
            ++i;
            continue;
        }
        // The merged rectangle may now reach parts it missed before: look at them all again.
        rect = os::unite(rect, m_dirty_parts[i]);
        m_dirty_parts.erase(m_dirty_parts.begin() + std::ptrdiff_t(i));
        i = 0;
    }
    m_dirty_parts.push_back(rect);
    if (m_dirty_parts.size() > s_max_dirty_parts)
        m_dirty_parts.assign(1, m_dirty);
}

void FormImpl::invalidate_all()
{
    invalidate({0, 0}, m_window.size());
}

bool FormImpl::on_paint(const os::WindowMessage&)
{
    os::Rect update = m_window.update_rect();
    if (m_flicker_debug)
        paint_flicker(update);
    else
        paint_back_buffered(update);
    return true;
}

void FormImpl::paint_back_buffered(const os::Rect& update)
{
    os::Size client = m_window.size();
    if (m_back_buffer.width != client.width || m_back_buffer.height != client.height) {
        m_back_buffer.resize(client.width, client.height, s_back_buffer_fill);
        m_dirty = {{0, 0}, client};
        m_dirty_parts.assign(1, m_dirty);
    }
    os::Rect painted = m_dirty;
    // Only the dirty parts are drawn: what lies outside them in the back buffer is still right,
    // and drawing the background there would cover controls that are not repainted. Taken first:
    // painting may invalidate again, for the next paint.
    std::vector<Rect> parts = std::move(m_dirty_parts);
    m_dirty_parts.clear();
    m_dirty = {};
    for (const Rect& part : parts) {
        Canvas canvas(m_back_buffer, {0, 0}, part);
        m_form->on_window_paint(canvas, part);
    }
    os::Rect shown = os::intersect(os::unite(update, painted), {{0, 0}, client});
    // Only this part of the window changes, so only this part of the screen is composed again.
    m_window.report_painted(shown);
    if (shown.empty())
        return;
    Canvas window(m_window.surface());
    window.copy(shown, m_back_buffer, shown.position);
}

void FormImpl::paint_flicker(const os::Rect& update)
{
    Rect area = intersect(m_dirty, update);
    m_dirty = {};
    m_dirty_parts.clear();
    m_window.report_painted(area);
    if (area.empty())
        return;
    Canvas canvas(m_window.surface(), {0, 0}, area);
    canvas.fill(area, s_flicker_fill);
    m_form->on_window_paint(canvas, area);
}

// --- Timers -----------------------------------------------------------------------------------

uint32_t FormImpl::start_timer(double seconds)
{
    uint32_t id = allocate_timer_id();
    double ms = std::trunc(seconds * 1000.0);
    if (!(ms >= 0.0))
        ms = 0.0;
    m_window.set_timer(id, int64_t(std::min(ms, s_max_timer_ms)));
    return id;
}

void FormImpl::kill_timer(uint32_t id)
{
    if (id != 0)
        m_window.kill_timer(id);
}

// --- Placement --------------------------------------------------------------------------------

void FormImpl::place()
{
    FormPlacement placement = m_form->window_placement();
    if (placement.size == os::Size {0, 0})
        return;
    os::Rect work = form_workarea(screen().size(), static_capability_is_smartphone(), true);
    os::Rect current = m_window.rect();
    // A window never placed stands where the system puts new windows: at the work area's origin.
    if (m_position_pending)
        current.position = work.position;
    std::optional<os::Rect> rect = place_form_window(placement, current, work);
    if (!rect)
        return;
    m_window.move(*rect);
    if (!m_form)
        return;
    invalidate_all();
    m_position_pending = false;
}

// --- Modal loops ------------------------------------------------------------------------------

bool FormImpl::do_modal()
{
    if (m_modal)
        return false;
    FormImpl* previous = s_modal;
    s_modal = this;
    m_modal = true;
    log_modal_step(1);
    log_modal_step(2);
    m_window.show(os::ShowMode::show);
    if (m_form)
        m_form->on_window_activate(true);
    log_modal_step(3);

    std::vector<os::WindowId> disabled;
    if (m_owner)
        disabled = disable_other_forms();
    bool ended = run_loop();

    for (os::WindowId id : disabled) {
        if (os::Window* window = screen().find(id))
            window->enable(true);
    }
    if (m_owner && m_owner->window().is_visible())
        m_owner->window().bring_to_front();
    if (m_form)
        m_form->on_window_activate(false);
    m_modal = false;
    auto still = std::find(s_windows.begin(), s_windows.end(), previous);
    s_modal = still != s_windows.end() ? previous : nullptr;
    if (s_modal)
        s_modal->register_menu_bar();
    m_window.show(os::ShowMode::hide);
    return ended;
}

FormImpl* FormImpl::modal()
{
    return s_modal;
}

std::vector<os::WindowId> FormImpl::disable_other_forms()
{
    std::vector<os::WindowId> disabled;
    for (FormImpl* other : s_windows) {
        if (other == this || other->is_popup() || !other->window().is_enabled())
            continue;
        other->window().enable(false);
        disabled.push_back(other->window().id());
    }
    return disabled;
}

bool FormImpl::run_loop()
{
    os::Screen& loop = screen();
    os::WindowId self = m_window.id();
    std::vector<os::WindowMessage> foreign;
    os::WindowMessage message;
    bool ended = false;
    while (!ended && loop.get_message(message)) {
        if (message.id != WM_FORM_END_MODAL)
            pump(loop, message);
        else if (message.window == self)
            ended = true;
        else
            foreign.push_back(std::move(message));
    }
    // End messages of loops further out wait for them.
    for (const os::WindowMessage& kept : foreign)
        loop.post(kept.window, kept.id, kept.wparam, kept.lparam);
    return ended;
}

void FormImpl::log_modal_step(int step)
{
    os::log() << double(screen().now()) / 1000.0 << u" Form::do_modal: " << step << u"\n";
}

void FormImpl::pump(os::Screen& screen, const os::WindowMessage& message)
{
    bool pocket_pc = !static_capability_is_smartphone();
    FormImpl* target = pocket_pc ? find(message.window) : nullptr;
    if (!target) {
        screen.dispatch(message);
        return;
    }
    if (message.id == os::WM_CHAR) {
        char16_t character = char16_t(message.wparam);
        target->window().send(WM_FORM_KEY, message.wparam, character < 32 ? 0 : character);
        return;
    }
    screen.dispatch(message);
    if (message.id != os::WM_KEYDOWN && message.id != WM_SYSKEYDOWN)
        return;
    char16_t character = 0;
    std::optional<os::WindowMessage> next = screen.peek_message(os::PeekMode::keep);
    if (next && next->id == os::WM_CHAR && next->window == message.window) {
        screen.peek_message(os::PeekMode::remove);
        character = char16_t(next->wparam);
    }
    // The window may have gone while the key-down was dispatched.
    if (FormImpl* still = find(message.window))
        still->window().send(WM_FORM_KEY, message.wparam, character < 32 ? 0 : character);
}

// --- The rest -----------------------------------------------------------------------------------

void FormImpl::close()
{
    if (is_popup()) {
        m_window.post(os::WM_CAPTURECHANGED, 0, 0);
        return;
    }
    os::log() << u"Form WM_CLOSE sent\n";
    m_window.send(os::WM_CLOSE);
}

void FormImpl::set_menu_manager(std::unique_ptr<MenuManagerImpl> manager)
{
    m_menu_manager = std::move(manager);
}

void FormImpl::register_menu_bar()
{
    if (m_menu_manager)
        m_menu_manager->rebuild();
}

const std::vector<FormImpl*>& FormImpl::windows()
{
    return s_windows;
}

FormImpl* FormImpl::find(os::WindowId id)
{
    auto found = std::find_if(
        s_windows.begin(), s_windows.end(), [id](const FormImpl* w) { return w->m_window.id() == id; });
    return found == s_windows.end() ? nullptr : *found;
}

std::u16string FormImpl::window_class_name()
{
    return u"SkinnerClass_" + s_application_name;
}

void FormImpl::set_application_name(std::u16string_view name)
{
    s_application_name = name;
}

} // namespace skinner
