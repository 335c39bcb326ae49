#pragma once

// A top-level skinned window: a Container whose controls come from the form record of the same
// name in the skin, plus the platform window (FormImpl) that shows it. Its controls see the window
// through ControlWindow; the window reaches the form through FormEvents.
//
// Building a form: the window is made (owned by the parent form's window), the container reads the
// form's design size, the form joins the list of forms, reads its own properties ("Background",
// the picture drawn behind the whole form; "StartPosition"; the default font "32 0 0 0 Tahoma" at
// the skin's scale), registers its menu bar, makes its auto controls ("Auto.Button" a
// ControlButton, "Auto.Frame" a ControlFrame) and places its window (form_placement.h). The window
// stays hidden until do_modal shows it. A derived form whose own controls reach beyond its size,
// and that fills the work area (StartPosition 3 to 5), places it again once they exist
// (impl().place()).
//
// Forms re-read their skin in place: Properties::refresh_skin calls reload_properties, which is
// on_skin_changed: the container's reload, then the form's own properties. When that changes the
// form's design size, the form takes the new size and is placed again.
//
// User-interface thread only; nested do_modal calls nest message loops.

#include "skinner/container.h"
#include "skinner/form_events.h"
#include "skinner/form_impl_holder.h"
#include "skinner/picture.h"
#include "skinner/skin_client.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace skinner {

class Properties;

class Form : private FormImplHolder, public Container, public SkinClient, private FormEvents {
public:
    // skin must outlive the form; parent (or null) must outlive it as well.
    Form(Form* parent, Properties* skin, std::u16string_view name, Listener* listener);
    // Leaves the list of forms and unregisters the menu bar; the window goes last.
    ~Form() override;

    // Re-reads the container, then the form's own properties.
    void on_skin_changed() override;
    // Whether a close request may close the form.
    virtual bool can_close() { return true; }
    // The form's window to the top (with the windows it owns) and activated, restored when it
    // was minimised; when a modal dialog it owns has disabled it, that dialog is activated.
    virtual void bring_to_front();
    // A picture of the form could not be loaded. A form with a parent hands it to the parent;
    // the top form shows a message box (the text of "on_picture_failed_to_load", by default "Out
    // of memory", then the picture's name, scale and skin path) and closes when it is modal.
    virtual void on_picture_failed(const Picture& picture);
    // Text handed over by another copy of the program (its command line), after the form was
    // brought to the front; nothing by default.
    virtual void on_command_line(std::u16string_view text);

    // Shows the form and runs it until it is closed; false when the screen quit first.
    bool do_modal();
    // Asks the form to close (the form may refuse through can_close).
    void close();
    // Starts a repeating timer of the window (seconds); its id (unique, never 0) comes back through
    // on_timer. kill_timer(0) does nothing.
    uint32_t start_timer(double seconds) { return m_form_impl.start_timer(seconds); }
    void kill_timer(uint32_t id) { m_form_impl.kill_timer(id); }
    // Adds the rectangle to the part of the window that the next paint redraws.
    void invalidate(Point position, Size size) { m_form_impl.invalidate(position, size); }

    // The work area of the current screen (see form_workarea.h), input panel asked or not.
    static void get_workarea(Point& origin, Size& size, bool ask_input_panel);

    // The form's one main menu control. A second registration is fatal ("Menu main is already
    // exists" at "Form::register_menu_main"), and so is unregistering another control ("Menus do
    // not match" at "Form::unregister_menu_main"). Both register the menu bar anew.
    void register_menu_main(Control& control);
    void unregister_menu_main(Control& control);
    Control* menu_main() const { return m_menu_main; }

    FormImpl& impl() { return m_form_impl; }
    const FormImpl& impl() const { return m_form_impl; }
    Form* parent() const { return m_parent; }
    bool is_modal() const { return m_form_impl.is_modal(); }
    bool position_pending() const { return m_form_impl.position_pending(); }
    const Picture& background() const { return m_background; }
    int32_t start_position() const { return m_start_position; }

    // Every existing form, in creation order.
    static const std::vector<Form*>& forms();
    // The form whose modal loop runs innermost, or null.
    static Form* modal_form();

    // SkinClient: the handle whose refresh concerns the form, and the refresh itself.
    const Properties* skin_handle() const override { return properties(); }
    void reload_properties() override { on_skin_changed(); }

private:
    void read_form_properties();
    // The room the controls ask for: the largest design position plus design size.
    Size controls_extent() const;

    // FormEvents: the window procedure's calls, answered with the container's operations.
    void on_window_size(Size size) override;
    void on_window_activate(bool active) override;
    bool on_window_can_close() override;
    void on_window_command(std::u16string_view command) override;
    void on_window_command_line(std::u16string_view text) override;
    bool on_window_key_down(int32_t key) override;
    bool on_window_key_up(int32_t key) override;
    bool on_window_char(std::u16string_view text) override;
    void on_window_timer(uint32_t id) override;
    bool on_window_wants_gesture(Point point) override;
    void on_window_mouse_down(int32_t button, Point point, bool double_click) override;
    void on_window_mouse_up(int32_t button, Point point) override;
    void on_window_mouse_move(Point point) override;
    void on_window_paint(Canvas& canvas, const Rect& dirty) override;
    FormPlacement window_placement() override;
    bool has_menu_main() const override { return m_menu_main != nullptr; }

    Form* m_parent;
    Control* m_menu_main = nullptr;
    Picture m_background;
    int32_t m_start_position = 0;
};

} // namespace skinner
