#pragma once

// A skinned user-interface element: a rectangle of its form's window that paints itself, takes
// pointer and key events from its container, and raises notifications (Listener) that climb to
// the container and on to the form.
//
// A control is bound to the skin by name when it is constructed, in one of three lookup modes:
// named (its properties are those of the control record (container's form name, own name)), kind
// (the name given is a kind name and the kind record answers: form name empty, Properties) or none
// (nothing is read; every getter returns its default). The constructor reads the common
// properties below and then registers the control with its container, which lays it out; the
// destructor unregisters it. The container must outlive its controls.
//
// Common properties, read by on_skin_changed in this order, the current values serving as
// defaults: "Cursor" (a cursor name, untranslated), "AnchorX", "AnchorY" (anchor names; missing or
// unknown = MIN_SIDE), "Focus" (picture drawn over the control while it has the focus),
// "TabOrder", "Position", "Size" (scaled points), "Visible", "Enabled" (through set_visible and
// set_enabled), "Gestures", "ZOrder" (through set_z_order), "WantFocus" (through set_want_focus).
//
// Coordinates are window coordinates. User-interface thread only.

#include "liba/nocopy.h"
#include "os/cursor.h"
#include "skinner/canvas.h"
#include "skinner/font.h"
#include "skinner/geometry.h"
#include "skinner/listener.h"
#include "skinner/picture.h"
#include "skinner/skin_names.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace skinner {

class Container;
class ControlWindow;
class Properties;

enum class LookupMode : int32_t {
    named = 0, // (container's form name, own name)
    kind = 1, // (empty form name, kind name)
    none = 2, // no properties
};

class Control : public Listener, private liba::Nocopy {
public:
    // In kind mode name is the kind name, and the control's own name stays empty.
    Control(Container& container, std::u16string_view name, LookupMode mode);

    // Listener slots passed on to the container.
    int32_t on_child_click(Control& control, Point argument) override;
    int32_t on_cell_click(Control& grid, const GridClick& click) override;
    int32_t on_cell_hold(Control& grid, const GridClick& click) override;
    int32_t on_edit_finished(Control& grid, const GridEdit& edit) override;
    int32_t on_scroll(Control& bar, int32_t position) override;
    int32_t on_command(std::u16string_view command) override;
    int32_t on_child_value(Control& control, double value) override;
    int32_t on_value_changed(Control& control) override;
    int32_t on_header_click(Control& grid, const GridClick& click) override;
    int32_t on_header_hold(Control& grid, const GridClick& click) override;
    int32_t on_selection_changed(Control& control) override;
    int32_t on_menu(MenuEntry& menu) override;

    // Stops the control's timer and unregisters it.
    ~Control() override;
    // Stores z and has the container sort its controls again.
    virtual void set_z_order(int32_t z);
    // Stores the flag; a control that no longer wants the focus while holding it passes it on.
    virtual void set_want_focus(bool flag);
    virtual bool want_focus() const { return m_want_focus; }
    // Invalidate, so that the focus picture comes or goes.
    virtual void on_focus_gained();
    virtual void on_focus_lost();
    // The control's effective visibility (own flag and container's) changed to visible.
    virtual void on_show(bool visible);
    // Whether a tap-and-hold at point becomes a button-2 press ("Gestures").
    virtual bool wants_gestures(Point point);
    // The effective enabled state changed.
    virtual void on_enable(bool enabled);
    // Draws the focus picture over the rectangle while the container reports the control as
    // focused. dirty is the part of the window being repainted.
    virtual void paint(Canvas& canvas, Point dirty_position, Size dirty_size);
    // The pointer's shape over the control; none = the default arrow.
    virtual std::optional<os::Cursor> cursor() const { return m_cursor; }
    // Whether the point is inside the rectangle.
    virtual bool hit_test(Point point) const;
    virtual void on_mouse_move(Point point);
    virtual void on_mouse_leave();
    // Button 0 (stylus), button 2 (tap-and-hold), button 1. The flag of an up event is the
    // double-click flag of the press it ends.
    virtual void on_button0_down(Point point, bool double_click);
    virtual void on_button0_up(Point point, bool double_click);
    virtual void on_button2_down(Point point, bool double_click);
    virtual void on_button2_up(Point point, bool double_click);
    virtual void on_button1_down(Point point, bool double_click);
    virtual void on_button1_up(Point point, bool double_click);
    // Whether the control handled the text or key (codes of key_codes.h).
    virtual bool on_char(std::u16string_view text);
    virtual bool on_key_down(int32_t key);
    virtual bool on_key_up(int32_t key);
    // The control's own timer ticked.
    virtual void on_own_timer();
    // A timer of the window ticked; calls on_own_timer for the control's timer.
    virtual void on_timer(uint32_t id);
    // Moves the control, invalidating the old and the new rectangle when it changes.
    virtual void set_rect(const Rect& rect);
    // The size the control wants: the "Size" value.
    virtual Size design_size() const { return m_design_size; }
    // Re-reads the common properties.
    virtual void on_skin_changed();

    // Own flag and the container's.
    bool is_visible() const;
    bool is_enabled() const;
    // The control received the container's last button down and still holds a button.
    bool has_capture() const;
    // Adds the rectangle to the window's dirty area, when visible.
    void invalidate();
    // Adds the part of it inside the rectangle, when visible.
    void invalidate(const Rect& part);
    // Store the flag; when the effective state changes, on_show / on_enable with it and the
    // rectangle is repainted; a control hidden or disabled while holding the focus passes it on.
    void set_visible(bool flag);
    void set_enabled(bool flag);
    // Stores new design values and lays the container out again.
    void set_design_rect(Point position, Size size);
    // A repeating timer of the window (seconds); starting replaces the control's running timer.
    void start_timer(double seconds);
    void stop_timer();
    uint32_t timer_id() const { return m_timer; }
    // Whether Shift (KeyShift), Control (KeyControl) or Alt (KeyAlt) is down.
    bool key_state(int32_t key) const;

    // Properties of the control's own record; defaults (never scaled or translated) in mode none.
    int32_t get_int(std::u16string_view name, int32_t def) const;
    int32_t get_int_scaled(std::u16string_view name, int32_t def) const;
    Point get_point(std::u16string_view name, Point def) const;
    std::u16string get_string(std::u16string_view name, std::u16string_view def) const;
    Color get_color(std::u16string_view name, Color def) const;
    Picture get_picture(std::u16string_view name, const Picture& def) const;
    Font get_font(std::u16string_view name, const Font& def) const;
    // A cursor name read without translation; a missing or unknown name gives def.
    std::optional<os::Cursor> get_cursor(std::u16string_view name, std::optional<os::Cursor> def) const;
    // The skin handle; null when the container has none.
    Properties* properties() const;

    Container& container() const { return *m_container; }
    ControlWindow& window() const;
    const std::u16string& name() const { return m_name; }
    const std::u16string& kind_name() const { return m_kind_name; }
    LookupMode lookup_mode() const { return m_mode; }
    const Rect& rect() const { return m_rect; }
    Point design_position() const { return m_design_position; }
    // The "Size" value, which the anchor layout uses (design_size() may report more).
    Size size_property() const { return m_design_size; }
    AnchorMode anchor_x() const { return m_anchor_x; }
    AnchorMode anchor_y() const { return m_anchor_y; }
    int32_t z_order() const { return m_z_order; }
    int32_t tab_order() const { return m_tab_order; }
    bool gestures() const { return m_gestures; }
    const Picture& focus_picture() const { return m_focus_picture; }
    // The control's own flags, without the container's.
    bool visible_flag() const { return m_visible; }
    bool enabled_flag() const { return m_enabled; }
    // Expires when the control is destroyed: lets a holder of a plain pointer (a menu command
    // chosen later, say) tell whether the control still exists.
    std::weak_ptr<const void> life() const { return m_life; }

private:
    friend class Container;

    void read_common_properties();
    // The record the getters read: (form, control) or (empty, kind).
    std::u16string_view lookup_form() const;
    std::u16string_view lookup_control() const;
    bool reads_properties() const;
    // Adds the rectangle to the dirty area even while hidden (it was just shown or hidden).
    void repaint_area();
    // set_visible and set_enabled: stores flag in stored; when effective() changes, calls notify
    // with its new value and repaints; focus leaves the control when effective() is false.
    void set_flag(bool& stored, bool flag, bool (Control::*effective)() const, void (Control::*notify)(bool));

    Container* m_container;
    std::u16string m_name;
    std::u16string m_kind_name;
    LookupMode m_mode;
    std::optional<os::Cursor> m_cursor;
    int32_t m_z_order = 0;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_want_focus = true;
    bool m_gestures = false;
    AnchorMode m_anchor_x = AnchorMode::min_side;
    AnchorMode m_anchor_y = AnchorMode::min_side;
    Rect m_rect;
    Point m_design_position;
    Size m_design_size;
    Picture m_focus_picture;
    uint32_t m_timer = 0;
    int32_t m_tab_order = 0;
    // Registration order in the container, which breaks ties of z-order.
    uint64_t m_sequence = 0;
    std::shared_ptr<const void> m_life = std::make_shared<char>();
};

} // namespace skinner
