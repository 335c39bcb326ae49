#pragma once

// What owns controls: a form (the container of its window) or the inner container of a panel.
// It keeps its controls sorted by z-order, lays them out by their anchors when it is resized,
// paints them back to front, hit-tests them front to back, dispatches pointer events with
// capture and hover, keeps the focus and the tab order, and passes the notifications of its
// controls to its own listener.
//
// Z-order: the list is sorted by "ZOrder" ascending; among equal z-orders a control registered
// earlier comes first, so it paints below and is hit-tested after the later one.
//
// Focus: the focused control gets keys and characters. on_focus_gained and on_focus_lost reach it
// only while the container is active (its form, or its panel, has the focus). The focus order
// takes the controls that want the focus and are visible and enabled, in list order, sorted by
// "TabOrder" (equal tab orders keep list order); Tab moves forward (Shift: backward), Up backward
// and Down forward, and the answer is false after wrapping around an end so that an enclosing
// container may take the key instead.
//
// Pointer: a button down goes to the captured control when there is one; otherwise the topmost
// visible control under the point takes it when it is enabled (becoming the hover and the
// captured control, and the focused one when it wants the focus), while a disabled control there
// swallows the press. The capture ends when the last button goes up.
//
// Auto controls: create_auto_controls(factory) makes one control per auto-control entry of the
// container's form record (Properties::auto_control) and owns them; on_skin_changed makes them
// anew. The form calls it at the end of its constructor (its window must be complete by then),
// a panel after building its inner container.
//
// Coordinates are window coordinates. User-interface thread only.

#include "skinner/canvas.h"
#include "skinner/control.h"
#include "skinner/geometry.h"
#include "skinner/listener.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace skinner {

class ControlWindow;
class Properties;

// Makes the control for an auto-control entry (control name, kind name) of a container's form
// record; null for a kind it does not make.
using AutoControlFactory = std::function<std::unique_ptr<Control>(
    Container& container, std::u16string_view name, std::u16string_view kind)>;

class Container : public Listener {
public:
    // skin may be null (nothing is read). The design size is the form-level "Size" of name
    // ("SizeNoButtons" instead on a Smartphone when the form has one), not read in mode none or
    // for an empty name; the current size starts equal to it, at origin (0, 0).
    Container(ControlWindow& window, Properties* skin, std::u16string_view name, LookupMode mode,
        Listener* listener);

    // Listener slots passed on to the listener, when there is one.
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
    int32_t on_child_focused() override;
    int32_t on_menu(MenuEntry& menu) override;

    // Makes control (null: none) the focused one; while active the old one is told it lost the
    // focus and the new one that it gained it.
    virtual void set_focus(Control* control);
    // Active, and control is the focused one.
    virtual bool is_focused(const Control* control) const;
    // Activating focuses the first control of the focus order when none is focused, or tells
    // the focused one it gained the focus; deactivating tells it it lost it.
    virtual void activate(bool flag);
    // Destroys the auto controls.
    ~Container() override;
    // Stores the origin and size and lays out every control.
    virtual void resize(Point origin, Size size);
    // Re-reads the design size, makes the auto controls anew, lets every control re-read its
    // properties, sorts and lays out the controls again.
    virtual void on_skin_changed();
    // To the focused control; false when there is none or it did not handle it. Key
    // downs it leaves move the focus (see above).
    virtual bool on_char(std::u16string_view text);
    virtual bool on_key_down(int32_t key);
    virtual bool on_key_up(int32_t key);
    // To every control.
    virtual void on_timer(uint32_t id);

    // A second control with the same non-empty name is a fatal error. The control goes after every
    // control of lower or equal z-order, and is laid out.
    void register_control(Control& control);
    // Forgets the control; the focus, hover and capture it held go with it.
    void unregister_control(Control& control);
    Control* find_control(std::u16string_view name) const;

    // One step through the focus order; whether the focus moved without wrapping.
    bool move_focus(bool forward);
    // Gives the focus away from control when it holds it (it was hidden, disabled or no longer
    // wants it): forward through the focus order, or to none when no other control can take it.
    void focus_away_from(Control& control);
    // Whether the hover control changed. The old one gets on_mouse_leave, both are repainted, and
    // the window's cursor becomes the new one's.
    bool set_hover(Control* control);

    // The window's pointer events. Buttons outside 0 to 2 are ignored.
    void mouse_down(int32_t button, Point point, bool double_click);
    void mouse_up(int32_t button, Point point);
    void mouse_move(Point point);
    // The topmost visible control under the point decides; false when there is none.
    bool wants_gesture(Point point);
    // Paints every visible control that overlaps the dirty rectangle, lowest z-order first.
    void paint(Canvas& canvas, Point dirty_position, Size dirty_size);

    void create_auto_controls(AutoControlFactory factory);
    const std::vector<std::unique_ptr<Control>>& auto_controls() const { return m_auto_controls; }

    // Sorts the controls by z-order again (after a control changed its own).
    void sort_controls();
    // Lays every control out at the current origin and size, or one of them.
    void layout();
    void layout_control(Control& control);

    // The container's own flags, part of every control's is_visible / is_enabled (a panel sets
    // them from its own state). A change reaches each control whose own flag is set through
    // on_show / on_enable.
    void set_visible(bool flag);
    void set_enabled(bool flag);
    bool is_visible() const { return m_visible; }
    bool is_enabled() const { return m_enabled; }

    ControlWindow& window() const { return *m_window; }
    Properties* properties() const { return m_skin; }
    const std::u16string& form_name() const { return m_name; }
    LookupMode lookup_mode() const { return m_mode; }
    Listener* listener() const { return m_listener; }
    Size design_size() const { return m_design_size; }
    Size size() const { return m_size; }
    Point origin() const { return m_origin; }
    const std::vector<Control*>& controls() const { return m_controls; }
    Control* focused() const { return m_focused; }
    bool is_active() const { return m_active; }
    Control* hover() const { return m_hover; }
    Control* captured() const { return m_captured; }
    bool is_down(int32_t button) const;
    Point last_point() const { return m_last_point; }

    // The topmost visible control whose hit test accepts the point (disabled ones included).
    Control* control_at(Point point) const;
    // The focus order: controls that want the focus and are visible and enabled, by tab order.
    std::vector<Control*> focus_order() const;

private:
    // set_visible and set_enabled: stores flag in stored and tells each control whose own flag
    // (own()) is set through notify.
    void set_flag(bool& stored, bool flag, bool (Control::*own)() const, void (Control::*notify)(bool));
    Size read_design_size();
    void focus(Control& control);
    bool is_registered(const Control* control) const;
    void deliver_down(Control& control, int32_t button, Point point, bool double_click);
    void deliver_up(Control& control, int32_t button, Point point, bool double_click);
    // Calls action on every control of a snapshot of the list that is still registered.
    void for_each_control(const std::function<void(Control&)>& action);

    ControlWindow* m_window;
    Properties* m_skin;
    std::u16string m_name;
    LookupMode m_mode;
    Listener* m_listener;
    Size m_design_size;
    Size m_size;
    Point m_origin;
    bool m_visible = true;
    bool m_enabled = true;
    std::vector<Control*> m_controls;
    uint64_t m_next_sequence = 0;
    std::vector<std::unique_ptr<Control>> m_auto_controls;
    AutoControlFactory m_factory;
    Control* m_focused = nullptr;
    bool m_active = false;
    Control* m_hover = nullptr;
    Control* m_captured = nullptr;
    std::array<bool, 3> m_down {};
    std::array<bool, 3> m_down_double {};
    Point m_last_point;
};

} // namespace skinner
