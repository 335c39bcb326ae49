#include "os/keys.h"
#include "os/screen.h"
#include "os/screen_backend.h"
#include "os/screen_options.h"
#include "os/shell.h"
#include "os/window.h"

#include <algorithm>
#include <cstdlib>

namespace os {

namespace {

bool beyond(Point a, Point b, int32_t slop)
{
    return std::abs(a.x - b.x) > slop || std::abs(a.y - b.y) > slop;
}

// Keys whose press also types a control character, as the desktop's key translation does.
char16_t control_character(uint32_t virtual_key)
{
    switch (virtual_key) {
    case VK_RETURN:
        return u'\r';
    case VK_ESCAPE:
        return 0x1B;
    case VK_BACK:
        return 0x08;
    case VK_TAB:
        return u'\t';
    default:
        return 0;
    }
}

} // namespace

void Screen::input_button(InputKind kind, PointerButton button, Point point)
{
    Pending pending {kind};
    pending.button = button;
    pending.point = point;
    pending.message.time = now();
    push(std::move(pending));
}

void Screen::input_pointer_down(PointerButton button, Point point)
{
    input_button(InputKind::pointer_down, button, point);
}

void Screen::input_pointer_up(PointerButton button, Point point)
{
    input_button(InputKind::pointer_up, button, point);
}

void Screen::input_pointer_move(Point point)
{
    Pending pending {InputKind::pointer_move};
    pending.point = point;
    pending.message.time = now();
    push(std::move(pending));
}

void Screen::input_key(uint32_t virtual_key, bool down, bool repeat)
{
    Pending pending {InputKind::key};
    pending.virtual_key = virtual_key;
    pending.down = down;
    pending.repeat = down && repeat;
    pending.message.time = now();
    push(std::move(pending));
}

void Screen::input_text(std::u16string_view text)
{
    for (char16_t unit : text) {
        Pending pending {InputKind::text};
        pending.character = unit;
        pending.message.time = now();
        push(std::move(pending));
    }
}

void Screen::input_resize(Size size)
{
    Size clamped {std::clamp(size.width, s_min_screen_side, s_max_screen_side),
        std::clamp(size.height, s_min_screen_side, s_max_screen_side)};
    if (clamped == m_size)
        return;
    m_size = clamped;
    frame_changed();
    m_backend->resized(m_size);
    for (Window* window : m_z_order)
        post(window->id(), WM_SETTINGCHANGE, SETTINGCHANGE_RESET, 0);
}

bool Screen::resolve(Pending& pending)
{
    if (pending.resolved)
        return true;
    bool delivered = false;
    switch (pending.input) {
    case InputKind::none:
        delivered = true;
        break;
    case InputKind::pointer_down:
    case InputKind::pointer_up:
    case InputKind::pointer_move:
        delivered = resolve_pointer(pending);
        break;
    case InputKind::key:
        delivered = resolve_key(pending);
        break;
    case InputKind::text:
        delivered = resolve_text(pending);
        break;
    case InputKind::quit:
        break;
    }
    pending.resolved = delivered;
    return delivered;
}

void Screen::wake_display()
{
    set_power(true);
}

uintptr_t Screen::pointer_flags(const Pending& pending) const
{
    // Moves report the button held; the right button always travels as the left one plus
    // MK_RBUTTON, so a window can tell the stand-in for a hold.
    std::optional<PointerButton> button = m_pressed;
    if (pending.input != InputKind::pointer_move)
        button = pending.button;
    uintptr_t flags = 0;
    if (button && pending.input != InputKind::pointer_up)
        flags |= MK_LBUTTON;
    if (button == PointerButton::right)
        flags |= MK_RBUTTON;
    if (is_key_down(VK_SHIFT))
        flags |= MK_SHIFT;
    if (is_key_down(VK_CONTROL))
        flags |= MK_CONTROL;
    return flags;
}

bool Screen::resolve_pointer(Pending& pending)
{
    bool down = pending.input == InputKind::pointer_down;
    bool up = pending.input == InputKind::pointer_up;
    if (down)
        wake_display();
    if (m_swallow_pointer) {
        m_swallow_pointer = !up;
        return false;
    }
    if (down && restore_from_desktop()) {
        m_swallow_pointer = true;
        return false;
    }
    if (shell_pointer(pending))
        return false;
    Window* target = capture_window();
    if (!target)
        target = window_at(pending.point);
    if (!target || !target->is_enabled())
        return false;
    WindowId id = target->id();
    if (down && !target->is_active() && target->kind() == WindowKind::normal && !capture_window()) {
        raise(*target);
        activate(target, WA_CLICKACTIVE);
        target = find(id);
        if (!target)
            return false;
    }

    WindowMessage& message = pending.message;
    message.window = id;
    message.wparam = pointer_flags(pending);
    Point client = pending.point - target->rect().position;
    message.lparam = make_lparam(client.x, client.y);
    if (pending.input == InputKind::pointer_move) {
        message.id = WM_MOUSEMOVE;
        return true;
    }
    if (up) {
        message.id = WM_LBUTTONUP;
        m_pressed.reset();
        return true;
    }
    message.id = WM_LBUTTONDOWN;
    m_pressed = pending.button;
    m_last_down_point = pending.point;
    m_last_down_time = message.time;
    if (pending.button == PointerButton::left) {
        bool twice = m_last_tap_valid && m_last_tap_window == id
            && message.time - m_last_tap_time <= s_double_tap_ms
            && !beyond(pending.point, m_last_tap_point, s_double_tap_slop);
        if (twice)
            message.id = WM_LBUTTONDBLCLK;
        // A third tap starts a new pair.
        m_last_tap_valid = !twice;
        m_last_tap_window = id;
        m_last_tap_time = message.time;
        m_last_tap_point = pending.point;
    }
    return true;
}

bool Screen::shell_pointer(const Pending& pending)
{
    if (m_capture)
        return false;
    Rect top = Shell::title_bar(m_size, bar_height());
    Rect bottom = Shell::bottom_bar(m_size, bar_height());
    bool in_bars = top.contains(pending.point) || bottom.contains(pending.point);
    if (pending.input == InputKind::pointer_down) {
        if (!in_bars)
            return false;
        m_bar_pressed.reset();
        Window* active = active_window();
        size_t count = active ? active->bar_items().size() : 0;
        std::vector<Rect> items = Shell::item_rects(m_size, bar_height(), m_kind, count);
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].contains(pending.point) && active->bar_items()[i].enabled)
                m_bar_pressed = i;
        }
        m_pressed_in_bar = true;
        frame_changed();
        return true;
    }
    if (!m_pressed_in_bar)
        return in_bars && pending.input == InputKind::pointer_move;
    if (pending.input == InputKind::pointer_up) {
        std::optional<size_t> pressed = m_bar_pressed;
        m_bar_pressed.reset();
        m_pressed_in_bar = false;
        frame_changed();
        Window* active = active_window();
        std::vector<Rect> items
            = Shell::item_rects(m_size, bar_height(), m_kind, active ? active->bar_items().size() : 0);
        if (pressed && *pressed < items.size() && items[*pressed].contains(pending.point))
            choose_bar_item(*pressed);
    }
    return true;
}

bool Screen::choose_bar_item(size_t index)
{
    Window* active = active_window();
    if (!active || index >= active->bar_items().size())
        return false;
    const BarItem& item = active->bar_items()[index];
    if (!item.enabled || !item.on_choose)
        return false;
    std::vector<Rect> rects = Shell::item_rects(m_size, bar_height(), m_kind, active->bar_items().size());
    post_callback([choose = item.on_choose, rect = rects[index]] { choose(rect); });
    return true;
}

bool Screen::resolve_key(Pending& pending)
{
    uint32_t key = pending.virtual_key;
    std::erase(m_keys_down, key);
    if (pending.down) {
        m_keys_down.push_back(key);
        wake_display();
    }
    if (m_swallow_key == key) {
        if (!pending.down)
            m_swallow_key.reset();
        return false;
    }
    if (pending.down && restore_from_desktop()) {
        m_swallow_key = key;
        return false;
    }
    Window* active = active_window();
    if ((key == VK_F1 || key == VK_F2) && active) {
        size_t index = key == VK_F1 ? 0 : 1;
        if (index < active->bar_items().size()) {
            if (pending.down && !pending.repeat)
                choose_bar_item(index);
            return false;
        }
    }
    if (!active || !active->is_enabled())
        return false;
    WindowMessage& message = pending.message;
    message.window = active->id();
    if (m_kind == PlatformKind::smartphone && key == VK_TBACK) {
        uintptr_t modifiers = (is_key_down(VK_MENU) ? MOD_ALT : 0)
            | (is_key_down(VK_CONTROL) ? MOD_CONTROL : 0) | (is_key_down(VK_SHIFT) ? MOD_SHIFT : 0)
            | (pending.down ? 0 : MOD_KEYUP);
        message.id = WM_HOTKEY;
        message.wparam = VK_TBACK;
        message.lparam = make_lparam(int32_t(modifiers), int32_t(VK_TBACK));
        return true;
    }
    message.id = pending.down ? WM_KEYDOWN : WM_KEYUP;
    message.wparam = key;
    constexpr intptr_t previous_state = intptr_t(1) << 30;
    constexpr intptr_t transition = intptr_t(1) << 31;
    message.lparam = pending.down ? (pending.repeat ? previous_state : 0) : previous_state | transition;
    char16_t typed = control_character(key);
    if (pending.down && typed && !is_key_down(VK_CONTROL) && !is_key_down(VK_MENU)) {
        // The character goes to the window that took the key, as the desktop's key translation
        // posts it: when the key closes that window (Escape or Enter in a menu), the character
        // goes with it instead of reaching the window below as a second key.
        Pending character {InputKind::text};
        character.character = typed;
        character.message.window = message.window;
        character.message.id = WM_CHAR;
        character.message.wparam = typed;
        character.message.lparam = 1;
        character.message.time = message.time;
        character.resolved = true;
        m_pending.push_front(std::move(character));
    }
    return true;
}

bool Screen::resolve_text(Pending& pending)
{
    Window* active = active_window();
    if (!active || !active->is_enabled())
        return false;
    pending.message.window = active->id();
    pending.message.id = WM_CHAR;
    pending.message.wparam = pending.character;
    pending.message.lparam = 1;
    return true;
}

std::optional<bool> Screen::hold_decided(int64_t deadline)
{
    for (const Pending& pending : m_pending) {
        bool pointer = pending.input == InputKind::pointer_up || pending.input == InputKind::pointer_move
            || pending.input == InputKind::pointer_down;
        if (!pointer)
            continue;
        // Anything that happened at or after the deadline shows the stylus stayed put until then.
        if (pending.message.time >= deadline)
            return true;
        if (pending.input != InputKind::pointer_move)
            return false;
        if (beyond(pending.point, m_last_down_point, s_hold_slop))
            return false;
    }
    if (now() >= deadline)
        return true;
    return std::nullopt;
}

bool Screen::recognise_hold(const WindowMessage& button_down)
{
    if (button_down.id != WM_LBUTTONDOWN && button_down.id != WM_LBUTTONDBLCLK)
        return false;
    if (button_down.wparam & MK_RBUTTON)
        return true;
    if (button_down.time != m_last_down_time || !m_pressed)
        return false;
    int64_t deadline = button_down.time + s_hold_ms;
    for (;;) {
        if (m_quit_reached)
            return false;
        absorb_posts();
        m_backend->poll();
        if (std::optional<bool> decided = hold_decided(deadline))
            return *decided;
        if (!m_backend->wait(deadline)) {
            post_quit();
            return false;
        }
    }
}

} // namespace os
