#pragma once

// The emulated handheld screen: the windows inside it, the UI thread's message loop, timers,
// input, the shell's bars and the composed device picture.
//
// Loop. get_message() hands out, in this order of priority: posted messages, callbacks and input
// in the order they arrived; then WM_PAINT for invalid visible windows (bottom to top); then
// WM_TIMER for due timers (earliest due first). With nothing left it shows the frame (composed
// from the visible windows, bottom to top, and the shell's bars) and waits. dispatch() hands a
// message to its window's handler or runs its callback. A modal loop is
//     WindowMessage m;
//     while (!done && screen.get_message(m))
//         screen.dispatch(m);
// and loops nest: a handler may run one, which dispatches everything to every window until its
// own end condition. A loop that ends on a message of its own (a posted "end" message) must
// check that the message targets its window and dispatch any other.
//
// Quit. After post_quit() the messages already waiting are still handed out; then every
// get_message() returns false (WM_QUIT) from then on, so every nested loop ends.
//
// Input. Pointer and key input is resolved when the loop takes it: a pointer message goes to the
// window holding the capture, else to the topmost visible window under the point (none when that
// window is disabled); a down on an inactive window activates it first. Keys go to the active
// window when it is enabled. The left button is the stylus; the right button stands for a
// tap-and-hold (a left-button message with MK_RBUTTON). F1/F2 choose the active window's first
// and second bar items when it has them; on a Smartphone, Escape (the Back key) arrives as
// WM_HOTKEY. A tap or key while the display is off switches it on and is still delivered.
//
// Threads. Everything runs on the UI thread (the thread that made the screen) except post(),
// post_thread_message(), post_callback(), post_copy_data() and post_quit(), which any thread may
// call while the screen exists.

#include "liba/nocopy.h"
#include "os/cursor.h"
#include "os/geometry.h"
#include "os/message_box.h"
#include "os/message_queue.h"
#include "os/platform.h"
#include "os/surface.h"
#include "os/window_message.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class CActiveScheduler;

namespace os {

class ScreenBackend;
class Window;

enum class PointerButton {
    left, // the stylus
    right, // a tap-and-hold where the window wants one
};

enum class PeekMode {
    keep,
    remove,
};

// A left button held this long without moving more than s_hold_slop pixels is a tap-and-hold.
inline constexpr int64_t s_hold_ms = 500;
inline constexpr int32_t s_hold_slop = 5;
// A second tap this soon and this close to the first is a double tap.
inline constexpr int64_t s_double_tap_ms = 500;
inline constexpr int32_t s_double_tap_slop = 6;

class Screen : private liba::Nocopy {
public:
    // Windows, the loop and the input all belong to the thread calling this. The platform kind is
    // the process-wide one (platform.h) at the time of construction. Installs the shell's message
    // box (restored on destruction); every window must be destroyed before its screen.
    Screen(Size size, std::unique_ptr<ScreenBackend> backend);
    virtual ~Screen();

    // The screen of the process (the last one made that still exists), or null.
    static Screen* current();

    Size size() const { return m_size; }
    PlatformKind kind() const { return m_kind; }
    // The work-area rule for this screen, without an input panel.
    Rect work_area() const;
    int32_t bar_height() const;

    // Windows, bottom to top.
    const std::vector<Window*>& windows() const { return m_z_order; }
    Window* find(WindowId id) const;
    // The first window without an owner whose class name is name.
    Window* find_window(std::u16string_view class_name) const;
    Window* active_window() const { return find(m_active); }
    // The window whose items the bottom bar shows: the active one, or the window a menu opened
    // from the bar belongs to.
    Window* bar_window() const;
    Window* capture_window() const { return find(m_capture); }
    // The topmost visible window containing the point, disabled or not.
    Window* window_at(Point screen_point) const;

    // The loop (see above). get_message returns false with WM_QUIT once the screen quits.
    bool get_message(WindowMessage& message);
    // The next posted or input message, without waiting and without paints or timers.
    std::optional<WindowMessage> peek_message(PeekMode mode);
    intptr_t dispatch(const WindowMessage& message);
    // Dispatches until done() is true (checked before each message); false if the screen quit.
    bool run_until(const std::function<bool()>& done);
    // Dispatches everything that is ready now (posts, input, paints, due timers) and shows the
    // frame, without waiting; returns how many messages were dispatched.
    size_t dispatch_pending();
    bool quitting() const { return m_quit_reached; }
    bool on_ui_thread() const { return std::this_thread::get_id() == m_thread; }
    // Blocks until another thread posts something or timeout passes; true when a post arrived.
    // For loops that must wait for other threads without a platform to wait on (headless runs).
    bool wait_for_post(std::chrono::milliseconds timeout);
    // Runs callback once, the next time a waiting loop runs out of work: after the paints and the
    // due timers, with the frame presented, before it would wait. Replaces a callback not yet run;
    // nullptr cancels it. UI thread only.
    void call_when_idle(std::function<void()> callback);

    // Any thread. False when the screen no longer takes posts (it quit).
    bool post(WindowId window, uint32_t id, uintptr_t wparam = 0, intptr_t lparam = 0);
    bool post_thread_message(uint32_t id, uintptr_t wparam = 0, intptr_t lparam = 0);
    bool post_callback(std::function<void()> callback);
    // Sends WM_COPYDATA (wparam = data_word) to find_window(class_name) from the loop; nothing
    // when there is no such window by then.
    bool post_copy_data(std::u16string class_name, uintptr_t data_word, std::vector<uint8_t> bytes);
    // post_copy_data on the current screen, from any thread, safe against that screen being
    // destroyed meanwhile; false when there is none (or it quit).
    static bool post_copy_data_to_current(
        std::u16string class_name, uintptr_t data_word, std::vector<uint8_t> bytes);
    void post_quit();

    // The screen's clock in milliseconds (the tick count).
    int64_t now() const;

    // The active scheduler of the UI thread: objects queued on it run from this screen's loop, in
    // whichever loop dispatches next (a modal one included). Made with the screen and destroyed
    // first when it goes; objects still queued then are a fatal error.
    CActiveScheduler& scheduler() { return *m_scheduler; }

    // Whether the platform recognises a tap-and-hold for this left-button down (as taken from
    // get_message): true at once for the right button; otherwise it watches the input that
    // follows the down and answers true when the button stayed down and within s_hold_slop
    // pixels for s_hold_ms, false when it went up or moved away before. It may wait for input
    // meanwhile; it consumes nothing.
    bool recognise_hold(const WindowMessage& button_down);

    // Whether a key is down now, as far as the keys taken from the loop tell.
    bool is_key_down(uint32_t virtual_key) const;

    void set_cursor(Cursor cursor);
    Cursor cursor() const { return m_cursor; }

    // Display power: while off the frame is black; input still arrives, and the first tap or key
    // switches it back on.
    void set_power(bool on);
    bool power() const { return m_power; }

    // The device picture as last shown (composed now if anything changed since).
    const Surface& frame();

    // Input side: the backend (or a test, through HeadlessScreen) reports the platform's events.
    // Points are device-screen pixels.
    void input_pointer_down(PointerButton button, Point point);
    void input_pointer_up(PointerButton button, Point point);
    void input_pointer_move(Point point);
    void input_key(uint32_t virtual_key, bool down, bool repeat = false);
    // Characters typed, delivered as WM_CHAR (one per UTF-16 unit) to the active window.
    void input_text(std::u16string_view text);
    // The device screen changed size: every window gets WM_SETTINGCHANGE(SETTINGCHANGE_RESET).
    // (SPI_SETWORKAREA and SPI_SETSIPINFO never arise: there is no input panel.)
    void input_resize(Size size);

public:
    ScreenBackend& backend() { return *m_backend; }
    const ScreenBackend& backend() const { return *m_backend; }

private:
    friend class Window;

    enum class InputKind { none, pointer_down, pointer_up, pointer_move, key, text, quit };
    struct Pending {
        explicit Pending(InputKind kind = InputKind::none, WindowMessage ready = {})
            : input(kind)
            , message(std::move(ready))
        {
        }

        InputKind input = InputKind::none; // none: message is ready as it is
        WindowMessage message;
        PointerButton button = PointerButton::left;
        Point point; // screen coordinates of pointer input
        uint32_t virtual_key = 0;
        bool down = false;
        bool repeat = false;
        char16_t character = 0;
        bool resolved = false; // message now holds what the input became
    };
    struct Timer {
        WindowId window;
        uint32_t id;
        int64_t interval;
        int64_t due;
        uint64_t sequence;
    };
    enum class Next { message, quit, idle };

    // Windows (screen.cpp).
    WindowId add_window(Window& window);
    void remove_window(Window& window);
    void show_window(Window& window, bool visible, bool activate);
    void enable_window(Window& window, bool enabled);
    void raise(Window& window);
    void minimize_window(Window& window);
    void restore_window(Window& window);
    // Restores the window minimised last when nothing is active; false when there is none.
    bool restore_from_desktop();
    void activate(Window* window, uintptr_t how);
    void activate_next_after(Window& leaving);
    void take_capture(Window* window);
    void move_window(Window& window, const Rect& rect);
    void invalidate_window(Window& window, const Rect& client_rect);
    // The frame must be composed again: whole, or (screen coordinates) only there.
    void frame_changed()
    {
        m_frame_dirty = true;
        m_damage_all = true;
    }
    void frame_changed(const Rect& screen_rect);
    // A paint of the window is delivered: runs it, then counts its surface changed where its
    // handler reported drawing (Window::report_painted), or everywhere when it reported nothing.
    intptr_t deliver_paint(Window& window, const WindowMessage& message);
    void report_painted(Window& window, const Rect& client_rect);
    void bars_changed(Window& window);

    // The loop (screen_loop.cpp).
    Next next(WindowMessage& message, bool may_wait);
    void absorb_posts();
    void absorb(Message message);
    bool take_ready(WindowMessage& message);
    bool take_paint(WindowMessage& message);
    bool take_timer(WindowMessage& message);
    int64_t next_deadline() const;
    void present();
    void compose();
    void push(Pending pending);
    bool post_from_any_thread(Message message);
    void set_timer(Window& window, uint32_t id, int64_t interval_ms);
    void kill_timer(Window& window, uint32_t id);
    void kill_timers(Window& window);

    // Input (screen_input.cpp).
    // Queues a press or release of button at point, stamped now.
    void input_button(InputKind kind, PointerButton button, Point point);
    bool resolve(Pending& pending);
    bool resolve_pointer(Pending& pending);
    bool resolve_key(Pending& pending);
    bool resolve_text(Pending& pending);
    bool shell_pointer(const Pending& pending);
    bool choose_bar_item(size_t index);
    void wake_display();
    uintptr_t pointer_flags(const Pending& pending) const;
    std::optional<bool> hold_decided(int64_t deadline);

    Size m_size;
    PlatformKind m_kind;
    std::unique_ptr<ScreenBackend> m_backend;
    std::thread::id m_thread;
    Screen* m_previous_current = nullptr;
    MessageBoxHandler m_previous_box_handler;
    std::atomic<bool> m_quit_posted {false};

    std::map<WindowId, Window*> m_windows;
    std::vector<Window*> m_z_order;
    WindowId m_next_id = 1;
    WindowId m_active = 0;
    WindowId m_capture = 0;
    // Minimised windows, the last minimised at the back.
    std::vector<WindowId> m_minimized;
    // A tap or key that restored a minimised window: its release goes nowhere either.
    bool m_swallow_pointer = false;
    std::optional<uint32_t> m_swallow_key;

    MessageQueue m_posts; // from any thread; absorbed into m_pending on the UI thread
    std::deque<Pending> m_pending;
    bool m_quit_reached = false;
    std::function<void()> m_when_idle;
    std::vector<Timer> m_timers;
    uint64_t m_timer_sequence = 0;

    // Pointer and key state, as the taken input tells it.
    std::optional<PointerButton> m_pressed; // the button down now, if any
    bool m_pressed_in_bar = false; // the stylus went down on the shell's bars
    Point m_last_down_point;
    int64_t m_last_down_time = 0;
    WindowId m_last_tap_window = 0;
    int64_t m_last_tap_time = 0;
    Point m_last_tap_point;
    bool m_last_tap_valid = false;
    std::optional<size_t> m_bar_pressed;
    std::vector<uint32_t> m_keys_down;

    std::unique_ptr<CActiveScheduler> m_scheduler;

    Cursor m_cursor = Cursor::arrow;
    bool m_power = true;
    Surface m_frame;
    bool m_frame_dirty = true;
    // What the next compose must redo: all of it, or the damaged rectangle only.
    bool m_damage_all = true;
    Rect m_damage;
    // The paint being delivered, and where its handler reported drawing.
    struct PaintReport {
        WindowId window = 0;
        bool reported = false;
        Rect drawn; // client coordinates
    };
    PaintReport m_paint_report;
    int32_t m_shown_minute = -1;
};

} // namespace os
