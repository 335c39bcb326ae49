#pragma once

// A control holding controls: an inner Container whose form name is the panel's "FormTemplate", so
// its children are looked up, laid out and painted as the controls of that form record, with the
// panel as their container's listener (their notifications climb through the panel) and the
// panel's window as theirs. The inner container covers the panel's rectangle and makes the
// template's auto controls.
//
// The panel paints its "Background" picture (the template form's own "Background" when there is a
// template), then its children, then its focus picture. Pointer events, keys, characters, timers
// and the focus pass to the inner container: the panel's focus activates it, and a child taking
// the focus makes the panel the focused control of its own container, and so on up to the form.
//
// "FormTemplate" is read once, when the panel is built: the children are bound to that record by
// name. User-interface thread only.

#include "skinner/container.h"
#include "skinner/control.h"

namespace skinner {

class ControlPanel : public Control {
public:
    ControlPanel(Container& container, std::u16string_view name, LookupMode mode);
    ~ControlPanel() override;

    // Takes the focus in the panel's own container and tells it so, up the chain of panels.
    int32_t on_child_focused() override;

    void on_focus_gained() override;
    void on_focus_lost() override;
    void on_show(bool visible) override;
    bool wants_gestures(Point point) override;
    void on_enable(bool enabled) override;
    void paint(Canvas& canvas, Point dirty_position, Size dirty_size) override;
    void on_mouse_move(Point point) override;
    void on_mouse_leave() override;
    void on_button0_down(Point point, bool double_click) override;
    void on_button0_up(Point point, bool double_click) override;
    void on_button2_down(Point point, bool double_click) override;
    void on_button2_up(Point point, bool double_click) override;
    void on_button1_down(Point point, bool double_click) override;
    void on_button1_up(Point point, bool double_click) override;
    bool on_char(std::u16string_view text) override;
    bool on_key_down(int32_t key) override;
    bool on_key_up(int32_t key) override;
    void on_timer(uint32_t id) override;
    // Moves the panel and lays its children out over the new rectangle.
    void set_rect(const Rect& rect) override;
    // The common properties and the background, then the children (through the inner container).
    void on_skin_changed() override;

    Container& inner() { return m_inner; }
    const Container& inner() const { return m_inner; }
    const std::u16string& form_template() const { return m_inner.form_name(); }
    const Picture& background() const { return m_background; }

private:
    void read_background();

    Container m_inner;
    Picture m_background;
};

} // namespace skinner
