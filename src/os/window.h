#pragma once

// A window of the emulated screen: a rectangle of the device screen with its own pixel surface,
// its handler (the window procedure), an owner, and visible, enabled and active state.
//
// Stacking: the screen keeps every window in one z-order; a window shown or brought to the front
// goes to the top, and the windows it owns (and theirs) stay above their owner. Only visible
// windows are drawn and hit by the pointer; a disabled window gets no pointer or key input (and
// hides the windows below it from the stylus); the active window gets the keys.
//
// Everything here runs on the UI thread (the thread that made the screen) except where said.
// Creating a window sends it nothing: it starts hidden with an empty rectangle, and the first
// move() sends WM_SIZE. The owner must outlive the windows it owns; destroying an owner first
// leaves them without one.

#include "liba/nocopy.h"
#include "os/bar_item.h"
#include "os/geometry.h"
#include "os/surface.h"
#include "os/window_message.h"

#include <string>
#include <vector>

namespace os {

class Screen;
class WindowHandler;

enum class WindowKind {
    normal, // forms: gives the title bar its caption
    popup, // menus, message boxes: never names the title bar
};

enum class ShowMode {
    hide,
    show, // visible, brought to the front and activated (when enabled)
    show_no_activate, // visible and brought to the front; the active window stays
};

class Window : private liba::Nocopy {
public:
    Window(Screen& screen, WindowHandler& handler, Window* owner = nullptr,
        WindowKind kind = WindowKind::normal);
    ~Window();

    Screen& screen() const { return m_screen; }
    WindowId id() const { return m_id; }
    Window* owner() const { return m_owner; }
    WindowKind kind() const { return m_kind; }

    // The name the single-instance search looks for (Screen::find_window).
    void set_class_name(std::u16string name) { m_class_name = std::move(name); }
    const std::u16string& class_name() const { return m_class_name; }
    // Shown in the title bar while this is the top normal window.
    void set_caption(std::u16string caption);
    const std::u16string& caption() const { return m_caption; }

    // Position and size on the device screen. Moving to a new size resizes the surface (its
    // pixels are lost, the whole window becomes invalid) and sends WM_SIZE before returning.
    Rect rect() const { return m_rect; }
    Size size() const { return m_rect.size; }
    void move(const Rect& rect);

    void show(ShowMode mode);
    bool is_visible() const { return m_visible; }
    // Disabling drops the pointer capture; the window stays where it is in the z-order.
    void enable(bool enabled);
    bool is_enabled() const { return m_enabled; }
    // To the top of the z-order (its owned windows above it), and activated when visible and
    // enabled. A minimised window is restored instead (see minimize).
    void bring_to_front();
    // Sends the window to the background, as a phone's Back key does with a program: the window
    // and the visible windows it owns are hidden (the desktop shows where they were) until
    // bring_to_front() or show() restores them as they were, the window that was active among
    // them active again. While nothing is active, the first key or tap on the desktop restores
    // the window minimised last (and goes no further). Timers and posted messages keep running;
    // hiding a minimised window forgets that it was minimised.
    void minimize();
    bool is_minimized() const { return m_minimized; }
    bool is_active() const;

    // Painting: an invalid window gets WM_PAINT from the loop once no posted or input message
    // waits; invalidations before that add up (bounding box) into one paint. During WM_PAINT,
    // update_rect() is the part to repaint (client coordinates) and the handler draws it into
    // surface(); the screen shows the result after the paints.
    void invalidate();
    void invalidate(const Rect& client_rect);
    bool is_invalid() const { return !m_dirty.empty(); }
    Rect update_rect() const { return m_painting; }
    Surface& surface() { return m_surface; }
    // Tells the screen that the handler of the paint being delivered drew on the surface only
    // inside client_rect (called once or more during WM_PAINT): the screen then composes that part
    // of its frame only. A paint that reports nothing counts as drawing the whole window.
    void report_painted(const Rect& client_rect);
    const Surface& surface() const { return m_surface; }
    // Sends WM_PAINT now when the window is invalid and visible.
    void update();

    // Pointer capture: while a window holds it, every pointer message goes to it wherever the
    // pointer is. Whoever loses it gets WM_CAPTURECHANGED (also on release_capture, on hiding or
    // disabling the window, and when another window takes it).
    void set_capture();
    void release_capture();
    bool has_capture() const;

    // A repeating timer: WM_TIMER with wparam = id every interval (10 ms to 2^31-1 ms, clamped),
    // starting one interval from now. Setting an id the window already uses restarts it. Ids are
    // the caller's; the same id on two windows makes two timers.
    void set_timer(uint32_t id, int64_t interval_ms);
    void kill_timer(uint32_t id);

    // Posted messages wait in the loop's queue in order; sent ones run the handler now.
    bool post(uint32_t id, uintptr_t wparam = 0, intptr_t lparam = 0);
    intptr_t send(uint32_t id, uintptr_t wparam = 0, intptr_t lparam = 0);
    intptr_t send(WindowMessage message);

    // The bottom bar shown while this window is active.
    void set_bar_items(std::vector<BarItem> items);
    const std::vector<BarItem>& bar_items() const { return m_bar_items; }
    // A menu opened from the bar leaves the owner's bar on show while it is active (its own
    // items, if any, are not shown); a message box shows its own.
    void set_shows_owner_bar(bool flag) { m_shows_owner_bar = flag; }
    bool shows_owner_bar() const { return m_shows_owner_bar; }

private:
    friend class Screen;

    Screen& m_screen;
    WindowHandler& m_handler;
    Window* m_owner;
    WindowKind m_kind;
    WindowId m_id;
    std::u16string m_class_name;
    std::u16string m_caption;
    Rect m_rect;
    bool m_visible = false;
    bool m_enabled = true;
    Rect m_dirty; // client coordinates; empty = valid
    Rect m_painting; // the update rectangle of the paint being delivered
    Surface m_surface;
    std::vector<BarItem> m_bar_items;
    bool m_shows_owner_bar = false;
    bool m_minimized = false;
    // What minimize hid (itself and its owned windows, bottom to top) and the window then active.
    std::vector<WindowId> m_hidden_by_minimize;
    WindowId m_active_before_minimize = 0;
};

} // namespace os
