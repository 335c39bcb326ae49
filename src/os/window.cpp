#include "os/window.h"

#include "os/screen.h"
#include "os/window_handler.h"

namespace os {

Window::Window(Screen& screen, WindowHandler& handler, Window* owner, WindowKind kind)
    : m_screen(screen)
    , m_handler(handler)
    , m_owner(owner)
    , m_kind(kind)
    , m_id(screen.add_window(*this))
{
}

Window::~Window()
{
    m_screen.remove_window(*this);
}

void Window::set_caption(std::u16string caption)
{
    if (caption == m_caption)
        return;
    m_caption = std::move(caption);
    m_screen.frame_changed();
}

void Window::move(const Rect& rect)
{
    m_screen.move_window(*this, rect);
}

void Window::show(ShowMode mode)
{
    m_screen.show_window(*this, mode != ShowMode::hide, mode == ShowMode::show);
}

void Window::enable(bool enabled)
{
    m_screen.enable_window(*this, enabled);
}

void Window::bring_to_front()
{
    if (m_minimized) {
        m_screen.restore_window(*this);
        return;
    }
    m_screen.raise(*this);
    if (m_visible && m_enabled)
        m_screen.activate(this, WA_ACTIVE);
}

void Window::minimize()
{
    m_screen.minimize_window(*this);
}

bool Window::is_active() const
{
    return m_screen.m_active == m_id;
}

void Window::invalidate()
{
    invalidate({{0, 0}, m_rect.size});
}

void Window::invalidate(const Rect& client_rect)
{
    m_screen.invalidate_window(*this, client_rect);
}

void Window::update()
{
    if (!m_visible || m_dirty.empty())
        return;
    m_painting = m_dirty;
    m_dirty = {};
    WindowMessage message;
    message.window = m_id;
    message.id = WM_PAINT;
    m_screen.deliver_paint(*this, message);
}

void Window::report_painted(const Rect& client_rect)
{
    m_screen.report_painted(*this, client_rect);
}

void Window::set_capture()
{
    if (m_enabled)
        m_screen.take_capture(this);
}

void Window::release_capture()
{
    if (has_capture())
        m_screen.take_capture(nullptr);
}

bool Window::has_capture() const
{
    return m_screen.m_capture == m_id;
}

void Window::set_timer(uint32_t id, int64_t interval_ms)
{
    m_screen.set_timer(*this, id, interval_ms);
}

void Window::kill_timer(uint32_t id)
{
    m_screen.kill_timer(*this, id);
}

bool Window::post(uint32_t id, uintptr_t wparam, intptr_t lparam)
{
    return m_screen.post(m_id, id, wparam, lparam);
}

intptr_t Window::send(uint32_t id, uintptr_t wparam, intptr_t lparam)
{
    WindowMessage message;
    message.id = id;
    message.wparam = wparam;
    message.lparam = lparam;
    return send(std::move(message));
}

intptr_t Window::send(WindowMessage message)
{
    message.window = m_id;
    message.time = m_screen.now();
    return m_handler.on_message(*this, message);
}

void Window::set_bar_items(std::vector<BarItem> items)
{
    m_bar_items = std::move(items);
    m_screen.bars_changed(*this);
}

} // namespace os
