#include "os/screen.h"

#include "os/active_scheduler.h"
#include "os/message_box_window.h"
#include "os/screen_backend.h"
#include "os/screen_options.h"
#include "os/shell.h"
#include "os/window.h"
#include "os/window_handler.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace os {

namespace {

std::atomic<Screen*> s_current {nullptr};
// Held while the current screen changes, and by posts to the current screen from other threads,
// so that such a post never reaches a screen being destroyed.
std::mutex s_current_mutex;

// Windows larger than the largest screen make no sense and would only cost memory.
int32_t clamp_side(int32_t side)
{
    return std::clamp(side, 0, s_max_screen_side);
}

} // namespace

Screen::Screen(Size size, std::unique_ptr<ScreenBackend> backend)
    : m_size {clamp_side(size.width), clamp_side(size.height)}
    , m_kind(platform_kind())
    , m_backend(std::move(backend))
    , m_thread(std::this_thread::get_id())
{
    m_frame.resize(m_size.width, m_size.height, s_desktop_color);
    m_backend->attach(*this);
    {
        std::lock_guard lock(s_current_mutex);
        m_previous_current = s_current.exchange(this);
    }
    m_previous_box_handler
        = set_message_box_handler([this](std::u16string_view text, std::u16string_view caption) {
              MessageBoxWindow::run(*this, text, caption);
          });
    m_scheduler = std::make_unique<CActiveScheduler>(*this);
}

Screen::~Screen()
{
    // A fatal error for objects still queued shows its box without this screen.
    set_message_box_handler(std::move(m_previous_box_handler));
    m_scheduler.reset();
    std::lock_guard lock(s_current_mutex);
    Screen* self = this;
    s_current.compare_exchange_strong(self, m_previous_current);
}

bool Screen::post_copy_data_to_current(
    std::u16string class_name, uintptr_t data_word, std::vector<uint8_t> bytes)
{
    std::lock_guard lock(s_current_mutex);
    Screen* screen = s_current;
    return screen && screen->post_copy_data(std::move(class_name), data_word, std::move(bytes));
}

Screen* Screen::current()
{
    return s_current;
}

Rect Screen::work_area() const
{
    return os::work_area(m_size, m_kind);
}

int32_t Screen::bar_height() const
{
    return os::bar_height(m_size, m_kind);
}

Window* Screen::find(WindowId id) const
{
    auto found = m_windows.find(id);
    return found == m_windows.end() ? nullptr : found->second;
}

Window* Screen::bar_window() const
{
    Window* window = active_window();
    while (window && window->shows_owner_bar())
        window = window->owner();
    return window;
}

Window* Screen::find_window(std::u16string_view class_name) const
{
    for (const auto& [id, window] : m_windows) {
        if (!window->owner() && window->class_name() == class_name)
            return window;
    }
    return nullptr;
}

Window* Screen::window_at(Point point) const
{
    for (auto it = m_z_order.rbegin(); it != m_z_order.rend(); ++it) {
        if ((*it)->is_visible() && (*it)->rect().contains(point))
            return *it;
    }
    return nullptr;
}

WindowId Screen::add_window(Window& window)
{
    WindowId id = m_next_id++;
    m_windows[id] = &window;
    m_z_order.push_back(&window);
    return id;
}

void Screen::remove_window(Window& window)
{
    kill_timers(window);
    for (Window* other : m_z_order) {
        if (other->m_owner == &window)
            other->m_owner = nullptr;
    }
    if (m_capture == window.id())
        m_capture = 0;
    std::erase(m_minimized, window.id());
    std::erase(m_z_order, &window);
    m_windows.erase(window.id());
    if (window.is_visible())
        frame_changed();
    if (m_active == window.id()) {
        m_active = 0;
        activate_next_after(window);
    }
}

void Screen::show_window(Window& window, bool visible, bool activate_it)
{
    if (window.m_minimized) {
        if (visible) {
            restore_window(window);
            return;
        }
        window.m_minimized = false;
        window.m_hidden_by_minimize.clear();
        std::erase(m_minimized, window.id());
    }
    if (visible) {
        if (!window.m_visible) {
            window.m_visible = true;
            window.invalidate();
        }
        raise(window);
        frame_changed();
        if (activate_it && window.is_enabled())
            activate(&window, WA_ACTIVE);
        return;
    }
    if (!window.m_visible)
        return;
    window.m_visible = false;
    frame_changed();
    WindowId id = window.id();
    if (m_capture == id)
        take_capture(nullptr);
    if (m_active == id) {
        if (Window* still = find(id))
            activate_next_after(*still);
    }
}

void Screen::enable_window(Window& window, bool enabled)
{
    if (window.m_enabled == enabled)
        return;
    window.m_enabled = enabled;
    if (!enabled && m_capture == window.id())
        take_capture(nullptr);
}

void Screen::raise(Window& window)
{
    // The window and everything it owns, directly or not, keep their order and go on top.
    std::vector<Window*> moving;
    for (Window* candidate : m_z_order) {
        for (Window* up = candidate; up; up = up->owner()) {
            if (up == &window) {
                moving.push_back(candidate);
                break;
            }
        }
    }
    std::erase_if(
        m_z_order, [&](Window* w) { return std::find(moving.begin(), moving.end(), w) != moving.end(); });
    m_z_order.insert(m_z_order.end(), moving.begin(), moving.end());
    if (window.is_visible())
        frame_changed();
}

void Screen::minimize_window(Window& window)
{
    if (window.m_minimized || !window.m_visible)
        return;
    std::vector<WindowId> hiding;
    for (Window* candidate : m_z_order) {
        for (Window* up = candidate; up; up = up->owner()) {
            if (up == &window) {
                if (candidate->is_visible())
                    hiding.push_back(candidate->id());
                break;
            }
        }
    }
    WindowId active = std::find(hiding.begin(), hiding.end(), m_active) != hiding.end() ? m_active : 0;
    // Owned windows first, so that hiding them never activates the window itself.
    for (auto it = hiding.rbegin(); it != hiding.rend(); ++it) {
        if (Window* hidden = find(*it))
            show_window(*hidden, false, false);
    }
    if (!find(window.id()))
        return;
    window.m_minimized = true;
    window.m_hidden_by_minimize = std::move(hiding);
    window.m_active_before_minimize = active;
    m_minimized.push_back(window.id());
}

void Screen::restore_window(Window& window)
{
    if (!window.m_minimized)
        return;
    window.m_minimized = false;
    std::erase(m_minimized, window.id());
    std::vector<WindowId> hidden = std::move(window.m_hidden_by_minimize);
    window.m_hidden_by_minimize.clear();
    for (WindowId id : hidden) {
        if (Window* shown = find(id))
            show_window(*shown, true, false);
    }
    raise(window);
    Window* active = find(window.m_active_before_minimize);
    if (!active || !active->is_visible() || !active->is_enabled())
        active = &window;
    if (active->is_visible() && active->is_enabled())
        activate(active, WA_ACTIVE);
}

bool Screen::restore_from_desktop()
{
    if (m_active || m_minimized.empty())
        return false;
    if (Window* window = find(m_minimized.back()))
        restore_window(*window);
    return true;
}

void Screen::activate(Window* window, uintptr_t how)
{
    WindowId next = window ? window->id() : 0;
    WindowId previous = m_active;
    if (next == previous)
        return;
    m_active = next;
    frame_changed();
    if (Window* old = find(previous))
        old->send(WM_ACTIVATE, WA_INACTIVE, intptr_t(next));
    if (Window* now = find(next); now && m_active == next)
        now->send(WM_ACTIVATE, how, intptr_t(previous));
}

void Screen::activate_next_after(Window& leaving)
{
    Window* next = nullptr;
    Window* owner = leaving.owner();
    if (owner && owner->is_visible() && owner->is_enabled()) {
        next = owner;
    } else {
        for (auto it = m_z_order.rbegin(); it != m_z_order.rend() && !next; ++it) {
            if (*it != &leaving && (*it)->is_visible() && (*it)->is_enabled())
                next = *it;
        }
    }
    activate(next, WA_ACTIVE);
}

void Screen::take_capture(Window* window)
{
    WindowId next = window ? window->id() : 0;
    WindowId previous = m_capture;
    if (next == previous)
        return;
    m_capture = next;
    if (Window* old = find(previous))
        old->send(WM_CAPTURECHANGED, 0, intptr_t(next));
}

void Screen::move_window(Window& window, const Rect& rect)
{
    Rect clamped {rect.position, {clamp_side(rect.size.width), clamp_side(rect.size.height)}};
    if (clamped == window.m_rect)
        return;
    bool resized = clamped.size != window.m_rect.size;
    window.m_rect = clamped;
    if (window.is_visible())
        frame_changed();
    if (!resized)
        return;
    window.m_surface.resize(clamped.size.width, clamped.size.height, rgb(0xFF, 0xFF, 0xFF));
    window.m_dirty = {};
    window.invalidate();
    window.send(WM_SIZE, 0, make_lparam(clamped.size.width, clamped.size.height));
}

void Screen::invalidate_window(Window& window, const Rect& client_rect)
{
    Rect clipped = intersect(client_rect, {{0, 0}, window.size()});
    if (clipped.empty())
        return;
    window.m_dirty = unite(window.m_dirty, clipped);
}

void Screen::bars_changed(Window& window)
{
    if (window.id() == m_active)
        frame_changed();
}

bool Screen::is_key_down(uint32_t virtual_key) const
{
    return std::find(m_keys_down.begin(), m_keys_down.end(), virtual_key) != m_keys_down.end();
}

void Screen::set_cursor(Cursor cursor)
{
    if (cursor == m_cursor)
        return;
    m_cursor = cursor;
    m_backend->set_cursor(cursor);
}

void Screen::set_power(bool on)
{
    if (on == m_power)
        return;
    m_power = on;
    frame_changed();
}

} // namespace os
