#include "os/screen.h"

#include "os/screen_backend.h"
#include "os/shell.h"
#include "os/window.h"
#include "os/window_handler.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace os {

namespace {

// Ids of the queue's own messages (below WM_USER, never delivered to windows): a window message
// posted from another thread travels as a callback that queues it; the quit mark ends the loop.
constexpr uint32_t s_carrier = 0x03F0;
constexpr uint32_t s_quit_mark = 0x03F1;

constexpr int64_t s_min_timer_ms = 10;
constexpr int64_t s_max_timer_ms = std::numeric_limits<int32_t>::max();

Rect moved_by(Rect rect, Point by)
{
    rect.position.x += by.x;
    rect.position.y += by.y;
    return rect;
}

} // namespace

bool Screen::get_message(WindowMessage& message)
{
    return next(message, true) == Next::message;
}

Screen::Next Screen::next(WindowMessage& message, bool may_wait)
{
    for (;;) {
        if (m_quit_reached) {
            message = {};
            message.id = WM_QUIT;
            return Next::quit;
        }
        absorb_posts();
        m_backend->poll();
        if (take_ready(message))
            return Next::message;
        if (m_quit_reached)
            continue;
        if (take_paint(message) || take_timer(message))
            return Next::message;
        present();
        if (!may_wait)
            return Next::idle;
        if (m_when_idle) {
            std::exchange(m_when_idle, nullptr)();
            continue;
        }
        if (!m_backend->wait(next_deadline()))
            post_quit();
    }
}

void Screen::call_when_idle(std::function<void()> callback)
{
    m_when_idle = std::move(callback);
}

std::optional<WindowMessage> Screen::peek_message(PeekMode mode)
{
    if (m_quit_reached)
        return std::nullopt;
    absorb_posts();
    m_backend->poll();
    while (!m_pending.empty()) {
        Pending pending = std::move(m_pending.front());
        m_pending.pop_front();
        if (pending.input == InputKind::quit) {
            m_pending.push_front(std::move(pending));
            return std::nullopt;
        }
        if (!resolve(pending))
            continue;
        WindowMessage message = pending.message;
        if (mode == PeekMode::keep)
            m_pending.push_front(std::move(pending));
        return message;
    }
    return std::nullopt;
}

intptr_t Screen::dispatch(const WindowMessage& message)
{
    if (message.callback) {
        message.callback();
        return 0;
    }
    Window* window = find(message.window);
    if (!window)
        return 0;
    if (message.id == WM_PAINT)
        return deliver_paint(*window, message);
    return window->m_handler.on_message(*window, message);
}

intptr_t Screen::deliver_paint(Window& window, const WindowMessage& message)
{
    // A handler may paint other windows before it returns: each paint keeps its own report.
    PaintReport outer = std::exchange(m_paint_report, PaintReport {window.id(), false, {}});
    intptr_t result = window.m_handler.on_message(window, message);
    PaintReport report = std::exchange(m_paint_report, outer);
    Window* still = find(message.window);
    if (!still) {
        frame_changed();
        return result;
    }
    still->m_painting = {};
    if (report.reported)
        frame_changed(moved_by(report.drawn, still->rect().position));
    else
        frame_changed();
    return result;
}

void Screen::report_painted(Window& window, const Rect& client_rect)
{
    Rect drawn = intersect(client_rect, {{0, 0}, window.rect().size});
    if (m_paint_report.window == window.id()) {
        m_paint_report.reported = true;
        m_paint_report.drawn = unite(m_paint_report.drawn, drawn);
        return;
    }
    // Drawn outside a paint: that part of the frame is stale all the same.
    frame_changed(moved_by(drawn, window.rect().position));
}

void Screen::frame_changed(const Rect& screen_rect)
{
    m_frame_dirty = true;
    m_damage = unite(m_damage, screen_rect);
}

bool Screen::run_until(const std::function<bool()>& done)
{
    WindowMessage message;
    while (!done()) {
        if (!get_message(message))
            return false;
        dispatch(message);
    }
    return true;
}

size_t Screen::dispatch_pending()
{
    size_t count = 0;
    WindowMessage message;
    while (next(message, false) == Next::message) {
        dispatch(message);
        ++count;
    }
    return count;
}

bool Screen::take_ready(WindowMessage& message)
{
    while (!m_pending.empty()) {
        // Taken off the queue before resolving: resolving may send messages whose handlers run
        // nested loops on the same queue.
        Pending pending = std::move(m_pending.front());
        m_pending.pop_front();
        if (pending.input == InputKind::quit) {
            m_quit_reached = true;
            return false;
        }
        if (resolve(pending)) {
            message = std::move(pending.message);
            return true;
        }
    }
    return false;
}

bool Screen::take_paint(WindowMessage& message)
{
    // Nothing is seen while the display is off: windows stay invalid and are painted once, when
    // it comes back on, rather than at every change in between.
    if (!m_power)
        return false;
    for (Window* window : m_z_order) {
        if (!window->is_visible() || window->m_dirty.empty())
            continue;
        window->m_painting = window->m_dirty;
        window->m_dirty = {};
        message = {};
        message.window = window->id();
        message.id = WM_PAINT;
        message.time = now();
        return true;
    }
    return false;
}

bool Screen::take_timer(WindowMessage& message)
{
    int64_t time = now();
    Timer* due = nullptr;
    for (Timer& timer : m_timers) {
        if (timer.due > time)
            continue;
        if (!due || timer.due < due->due || (timer.due == due->due && timer.sequence < due->sequence))
            due = &timer;
    }
    if (!due)
        return false;
    // One message per expiry, however late: a loop that was busy sees the timer once, not a burst.
    due->due = time + due->interval;
    message = {};
    message.window = due->window;
    message.id = WM_TIMER;
    message.wparam = due->id;
    message.time = time;
    return true;
}

int64_t Screen::next_deadline() const
{
    int64_t deadline = -1;
    for (const Timer& timer : m_timers) {
        if (deadline < 0 || timer.due < deadline)
            deadline = timer.due;
    }
    return deadline;
}

void Screen::set_timer(Window& window, uint32_t id, int64_t interval_ms)
{
    int64_t interval = std::clamp(interval_ms, s_min_timer_ms, s_max_timer_ms);
    Timer timer {window.id(), id, interval, now() + interval, ++m_timer_sequence};
    for (Timer& existing : m_timers) {
        if (existing.window == timer.window && existing.id == id) {
            existing = timer;
            return;
        }
    }
    m_timers.push_back(timer);
}

void Screen::kill_timer(Window& window, uint32_t id)
{
    std::erase_if(m_timers, [&](const Timer& t) { return t.window == window.id() && t.id == id; });
}

void Screen::kill_timers(Window& window)
{
    std::erase_if(m_timers, [&](const Timer& t) { return t.window == window.id(); });
}

int64_t Screen::now() const
{
    return m_backend->now_ms();
}

void Screen::push(Pending pending)
{
    absorb_posts();
    m_pending.push_back(std::move(pending));
}

void Screen::absorb_posts()
{
    while (std::optional<Message> posted = m_posts.try_get())
        absorb(std::move(*posted));
}

bool Screen::wait_for_post(std::chrono::milliseconds timeout)
{
    std::optional<Message> posted = m_posts.get_for(timeout);
    if (!posted)
        return false;
    absorb(std::move(*posted));
    return true;
}

void Screen::absorb(Message posted)
{
    if (posted.id == s_carrier) {
        posted.callback();
        return;
    }
    Pending pending;
    if (posted.id == s_quit_mark) {
        pending.input = InputKind::quit;
    } else {
        pending.message.id = posted.callback ? WM_NULL : posted.id;
        pending.message.wparam = posted.wparam;
        pending.message.lparam = posted.lparam;
        pending.message.callback = std::move(posted.callback);
    }
    pending.message.time = now();
    m_pending.push_back(std::move(pending));
}

bool Screen::post_from_any_thread(Message posted)
{
    if (m_quit_posted)
        return false;
    if (on_ui_thread()) {
        absorb_posts();
        absorb(std::move(posted));
        return true;
    }
    if (!m_posts.post(std::move(posted)))
        return false;
    m_backend->wake();
    return true;
}

bool Screen::post(WindowId window, uint32_t id, uintptr_t wparam, intptr_t lparam)
{
    WindowMessage message;
    message.window = window;
    message.id = id;
    message.wparam = wparam;
    message.lparam = lparam;
    return post_from_any_thread(
        Message {s_carrier, 0, 0, [this, message]() mutable {
                     message.time = now();
                     m_pending.push_back(Pending {InputKind::none, std::move(message)});
                 }});
}

bool Screen::post_thread_message(uint32_t id, uintptr_t wparam, intptr_t lparam)
{
    return post_from_any_thread(Message {id, wparam, lparam, {}});
}

bool Screen::post_callback(std::function<void()> callback)
{
    if (!callback)
        return false;
    return post_from_any_thread(Message {0, 0, 0, std::move(callback)});
}

bool Screen::post_copy_data(std::u16string class_name, uintptr_t data_word, std::vector<uint8_t> bytes)
{
    return post_callback([this, class_name = std::move(class_name), data_word, bytes = std::move(bytes)] {
        Window* window = find_window(class_name);
        if (!window)
            return;
        WindowMessage message;
        message.id = WM_COPYDATA;
        message.wparam = data_word;
        message.data = bytes;
        window->send(std::move(message));
    });
}

void Screen::post_quit()
{
    if (m_quit_posted.exchange(true))
        return;
    if (on_ui_thread()) {
        absorb_posts();
        absorb(Message {s_quit_mark, 0, 0, {}});
        return;
    }
    m_posts.post(Message {s_quit_mark, 0, 0, {}});
    m_backend->wake();
}

const Surface& Screen::frame()
{
    present();
    return m_frame;
}

void Screen::present()
{
    int32_t minute = m_backend->minutes_of_day();
    if (minute != m_shown_minute && bar_height() > 0) {
        m_shown_minute = minute;
        frame_changed();
    }
    if (!m_frame_dirty)
        return;
    compose();
    m_frame_dirty = false;
    m_backend->present(m_frame);
}

void Screen::compose()
{
    Rect screen {{0, 0}, m_size};
    bool all = m_damage_all || m_frame.width != m_size.width || m_frame.height != m_size.height || !m_power;
    // The shell's bars are drawn over whole: a change under them composes the whole frame.
    if (!all && bar_height() > 0) {
        all = !intersect(m_damage, Shell::title_bar(m_size, bar_height())).empty()
            || !intersect(m_damage, Shell::bottom_bar(m_size, bar_height())).empty();
    }
    Rect area = all ? screen : intersect(m_damage, screen);
    m_damage_all = false;
    m_damage = {};
    if (m_frame.width != m_size.width || m_frame.height != m_size.height)
        m_frame.resize(m_size.width, m_size.height);
    if (!m_power) {
        std::fill(m_frame.pixels.begin(), m_frame.pixels.end(), rgb(0, 0, 0));
        return;
    }
    for (int32_t y = area.top(); y < area.bottom(); ++y)
        std::fill_n(m_frame.row(y) + area.left(), area.size.width, s_desktop_color);
    const std::u16string* caption = nullptr;
    for (Window* window : m_z_order) {
        if (!window->is_visible())
            continue;
        if (window->kind() == WindowKind::normal)
            caption = &window->caption();
        Rect visible = intersect(window->rect(), area);
        const Surface& pixels = window->surface();
        for (int32_t y = visible.top(); y < visible.bottom(); ++y) {
            const uint32_t* from
                = pixels.row(y - window->rect().top()) + (visible.left() - window->rect().left());
            std::copy_n(from, visible.size.width, m_frame.row(y) + visible.left());
        }
    }
    if (!all)
        return;
    ShellState shell;
    shell.screen = m_size;
    shell.bar_height = bar_height();
    shell.kind = m_kind;
    shell.caption = caption ? std::u16string_view(*caption) : std::u16string_view();
    shell.minutes_of_day = m_backend->minutes_of_day();
    Window* bar = bar_window();
    shell.items = bar ? &bar->bar_items() : nullptr;
    shell.pressed = m_bar_pressed;
    Shell::draw(m_frame, shell);
}

} // namespace os
