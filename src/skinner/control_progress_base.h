#pragma once

// What progress bars and sliders share: a value in [0, 1], the background and thumb ("track")
// pictures, and stylus dragging. Dragging never changes the value: a press (not a double tap)
// starts a drag and reports the value under the stylus with report_value, each move while
// dragging reports again, and the release ends the drag. The owner, told through on_child_value,
// decides whether to take the value with set_value. A progress display thus ignores the stylus,
// and a volume slider follows it.
//
// Properties, after the common ones, the current values serving as defaults: "Background"
// (picture), "Track" (the thumb), "TrackDisabled" (the thumb of a disabled control).
//
// The base has no geometry: value_at answers 0 (ControlProgress supplies it). User-interface
// thread only.

#include "skinner/control.h"

namespace skinner {

class ControlProgressBase : public Control {
public:
    ControlProgressBase(Container& container, std::u16string_view name, LookupMode mode);

    void on_mouse_move(Point point) override;
    void on_button0_down(Point point, bool double_click) override;
    void on_button0_up(Point point, bool double_click) override;
    void on_skin_changed() override;

    // Raises on_child_value (this, value) to the container.
    virtual void report_value(double value);
    // Raises on_value_changed (this) to the container.
    virtual void value_changed();
    // The value a tap at point stands for, in [0, 1].
    virtual double value_at(Point point) const;

    // The part of the control whose pixels may differ between values a and b; empty when it is
    // drawn alike at both (a change between them is then stored and announced but repaints
    // nothing). The base has no geometry: the whole rectangle unless the values are equal.
    virtual Rect changed_rect(double a, double b) const { return a == b ? Rect {} : rect(); }

    // Clamps v to [0, 1] (NaN counts as 0); a different result is stored, announced with
    // value_changed() and its changed_rect repainted.
    void set_value(double v);
    // (v - minimum) / (maximum - minimum), or 0 when maximum <= minimum; then as set_value(v).
    void set_value(double minimum, double maximum, double v);
    double value() const { return m_value; }
    bool is_dragging() const { return m_dragging; }

    const Picture& background() const { return m_background; }
    const Picture& track() const { return m_track; }
    const Picture& track_disabled() const { return m_track_disabled; }

private:
    void read_base_properties();

    Picture m_background;
    Picture m_track;
    Picture m_track_disabled;
    double m_value = 0.0;
    bool m_dragging = false;
};

} // namespace skinner
