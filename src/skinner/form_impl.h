#pragma once

// The platform window of a form: FormImpl registers the window with the screen, turns the
// window's messages into calls on its form (FormEvents), keeps the dirty rectangle and the back
// buffer for flicker-free painting, starts timers, places the window and runs modal loops.
//
// Painting. Invalidations add up into one dirty rectangle (client pixels). On WM_PAINT the dirty
// part is drawn into the back buffer (the form's background, then its controls), and the part to
// show is copied to the window. A fresh back buffer starts cyan (0, 255, 255) and makes the whole
// form dirty. With the "Flicker" switch set under HKEY_CURRENT_USER\Software\MOSK there is no back
// buffer: the dirty part is first filled magenta (255, 0, 255) and drawn straight into the window,
// so that every repainted area shows.
//
// Keys. On a Smartphone key-down, key-up and characters (from 32 up) reach the form as they come.
// On a Pocket PC the form loop's pump (pump()) joins a key-down with the character message that
// directly follows it into one WM_FORM_KEY (virtual key, character or 0 below 32); a lone
// character comes the same way with the character as the key too. The window then offers the
// character to the form and, when there is none or it is not handled, the translated key.
//
// Pointer. The window takes the pointer capture on the first button down and releases it when the
// last button goes up; when the capture goes elsewhere every button still down is let up at the
// last pointer position. A left button down where the form wants gestures and the platform sees a
// tap-and-hold becomes button 2 down and up; otherwise it is button 0.
//
// Hooks. Every message first passes the window's hooks (control_subclass.h), which may keep it
// from the form; the window removes its hooks when it is destroyed.
//
// Modal loops. do_modal() shows the window and dispatches until its close request (WM_CLOSE, when
// the form can close, posts WM_FORM_END_MODAL to the window) or until the screen quits; while it
// runs for a form with a parent, every other form window is disabled. Loops nest: a loop that
// takes another window's end message keeps it and posts it again when it ends.
//
// The window is also what the form's controls see of it (ControlWindow): every container of the
// form shares it.
//
// Everything runs on the user-interface thread, on the screen that exists when the window is made.

#include "liba/nocopy.h"
#include "os/screen.h"
#include "os/window.h"
#include "os/window_handler.h"
#include "skinner/control_window.h"
#include "skinner/font.h"
#include "skinner/geometry.h"
#include "skinner/shell_hooks.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace skinner {

class FormEvents;
class MenuManagerImpl;

// The window procedure's own messages.
inline constexpr uint32_t WM_FORM_KEY = os::WM_USER + 2; // Pocket PC: wparam key, lparam character
inline constexpr uint32_t WM_FORM_END_MODAL = os::WM_USER + 3; // ends the window's modal loop
inline constexpr uint32_t WM_FORM_PLACE = os::WM_USER + 4; // place the window again
// Messages of the menu and of system keys, by their Windows numbers.
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr uint32_t WM_COMMAND = 0x0111;
inline constexpr uint32_t WM_INITMENUPOPUP = 0x0117;

inline constexpr uint32_t s_back_buffer_fill = 0xFF00FFFFu; // cyan
// More separate dirty rectangles than this are painted as their bounding box.
inline constexpr size_t s_max_dirty_parts = 4;
inline constexpr uint32_t s_flicker_fill = 0xFFFF00FFu; // magenta

// The command a form receives when the screen's size or work area changed.
inline constexpr std::u16string_view s_screen_resolution_command = u"#ScreenResolution#";

enum class FormWindowKind {
    form,
    popup, // closes when it loses the pointer capture; never takes the capture itself
};

class FormImpl : public ControlWindow, private os::WindowHandler, private liba::Nocopy {
public:
    // Makes the window, hidden unless visible, on the current screen (which must exist), owned by
    // the owner's window when there is an owner. The caption is "Loading..." until the form sets
    // its title. Nothing is sent to the form until the window is first placed.
    FormImpl(
        FormEvents& form, FormImpl* owner, FormWindowKind kind = FormWindowKind::form, bool visible = false);
    ~FormImpl() override;

    os::Window& window() { return m_window; }
    const os::Window& window() const { return m_window; }
    os::Screen& screen() const { return m_window.screen(); }
    FormImpl* owner() const { return m_owner; }
    bool is_popup() const { return m_kind == FormWindowKind::popup; }
    bool flicker_debug() const { return m_flicker_debug; }

    // From now on the window procedure no longer calls the form: its owner is being destroyed.
    void detach() { m_form = nullptr; }
    // The form the window procedure calls; null once detached.
    FormEvents* events() const { return m_form; }

    // Adds the rectangle (client pixels, cut to the client area) to the dirty rectangle and
    // invalidates that part of the window.
    void invalidate(Point position, Size size);
    void invalidate(const Rect& rect) override { invalidate(rect.position, rect.size); }
    void invalidate_all();
    // Empty when clean.
    Rect dirty_rect() const { return m_dirty; }
    // The separate rectangles the next paint draws, inside dirty_rect().
    const std::vector<Rect>& dirty_parts() const { return m_dirty_parts; }
    bool has_back_buffer() const { return m_back_buffer.width > 0; }
    const os::Surface& back_buffer() const { return m_back_buffer; }

    // A repeating timer on this window every seconds x 1000 milliseconds (truncated; nonsense
    // gives the shortest timer); WM_TIMER brings its identifier to the form. The identifier is
    // unique in the process and never 0 (ControlWindow::allocate_timer_id).
    uint32_t start_timer(double seconds) override;
    // Stops a timer of this window; 0 (no timer) and unknown identifiers are ignored.
    void kill_timer(uint32_t id) override;

    // Places the window as the form's placement and the work area (input panel asked) say
    // (form_placement.h), and repaints it whole. Nothing while the form's size is (0, 0).
    void place();
    // True until the window was placed once.
    bool position_pending() const { return m_position_pending; }

    // Runs the form until it is closed; false when the loop ended because the screen quit (or the
    // window already runs a modal loop).
    bool do_modal();
    bool is_modal() const { return m_modal; }
    // The window whose modal loop runs innermost now, or null.
    static FormImpl* modal();

    // Asks the window to close, as the system's close button would: the form may refuse.
    void close();

    // What the controls ask of their window (control_window.h).
    void set_cursor(std::optional<os::Cursor> cursor) override;
    bool key_state(int32_t key) const override;
    DeviceKind device_kind() const override;
    int32_t os_major_version() const override;
    const Font& default_font() const override { return m_default_font; }
    void set_default_font(Font font) { m_default_font = std::move(font); }
    // The title shown while the form is the top window.
    void set_title(std::u16string_view title) override { m_window.set_caption(std::u16string(title)); }
    // The screen's title bar follows the caption by itself: nothing to ask of it.
    void refresh_title_bar() override { }
    void post_close() override { m_window.post(os::WM_CLOSE); }
    uint64_t log_handle() const override { return m_window.id(); }
    ShellHooks& shell_hooks() override { return m_shell_hooks; }

    bool is_button_down(int32_t button) const;

    // The menu manager made for the device kind (null when the device has none).
    MenuManagerImpl* menu_manager() const { return m_menu_manager.get(); }
    void set_menu_manager(std::unique_ptr<MenuManagerImpl> manager);
    // Registers the menu bar anew (after the main menu control or the modal form changed).
    void register_menu_bar();

    // Every form window of the process, in creation order.
    static const std::vector<FormImpl*>& windows();
    static FormImpl* find(os::WindowId id);

    // How every form loop hands a message on: Pocket PC keys are joined with their characters
    // (see Keys above), everything else is dispatched as it is.
    static void pump(os::Screen& screen, const os::WindowMessage& message);
    // The name form windows are registered under: "SkinnerClass_" + the application's name.
    static std::u16string window_class_name();
    static void set_application_name(std::u16string_view name);

private:
    void add_dirty_part(Rect rect);
    struct Route;
    static const Route s_routes[];

    intptr_t on_message(os::Window& window, const os::WindowMessage& message) override;
    bool on_size(const os::WindowMessage& message);
    bool on_activate(const os::WindowMessage& message);
    bool on_paint(const os::WindowMessage& message);
    bool on_close(const os::WindowMessage& message);
    bool on_setting_change(const os::WindowMessage& message);
    bool on_place(const os::WindowMessage& message);
    bool on_copy_data(const os::WindowMessage& message);
    bool on_key_down(const os::WindowMessage& message);
    bool on_key_up(const os::WindowMessage& message);
    bool on_char(const os::WindowMessage& message);
    bool on_key_with_char(const os::WindowMessage& message);
    bool on_menu_command(const os::WindowMessage& message);
    bool on_menu_popup(const os::WindowMessage& message);
    bool on_timer(const os::WindowMessage& message);
    bool on_button_down(const os::WindowMessage& message);
    bool on_double_click(const os::WindowMessage& message);
    bool on_button_up(const os::WindowMessage& message);
    bool on_mouse_move(const os::WindowMessage& message);
    bool on_capture_changed(const os::WindowMessage& message);

    void button_down(int32_t button, Point point, bool double_click);
    void button_up(int32_t button, Point point);
    bool any_button_down() const;
    void paint_back_buffered(const os::Rect& update);
    void paint_flicker(const os::Rect& update);
    std::vector<os::WindowId> disable_other_forms();
    bool run_loop();
    void log_modal_step(int step);

    FormEvents* m_form;
    FormImpl* m_owner;
    FormWindowKind m_kind;
    bool m_flicker_debug = false;
    std::unique_ptr<MenuManagerImpl> m_menu_manager;
    ShellHooks m_shell_hooks;
    Font m_default_font;
    std::array<bool, 3> m_down {};
    Point m_last_point;
    // The bounding box of what needs drawing, and the same as up to s_max_dirty_parts separate
    // rectangles (overlapping ones merged), so that far-apart changes do not repaint all between.
    Rect m_dirty;
    std::vector<Rect> m_dirty_parts;
    os::Surface m_back_buffer;
    bool m_position_pending = true;
    bool m_modal = false;
    os::Window m_window;
};

} // namespace skinner
