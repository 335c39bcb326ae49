#pragma once

// The skinned scroll bar: five buttons (control_button.h) laid along the bar, each made in kind
// mode from a kind the bar names and none of them wanting the focus:
//   the minimum-side end button ("KindMin"): one step toward the minimum;
//   the minimum-side space ("KindSpace"), between that button and the thumb: one page back;
//   the thumb ("KindTrack"): dragged;
//   the maximum-side space ("KindSpace"): one page forward;
//   the maximum-side end button ("KindMax"): one step toward the maximum.
// A press acts at once; held, it acts again on every 0.1 s timer tick from the sixth on
// (RepeatCountdown). Dragging the thumb maps its travel onto the range. The buttons' own clicks
// end at the bar.
//
// The bar keeps a range [minimum, maximum], a page (the amount visible at once; positions run
// from minimum to maximum - page) and a step of 1. A maximum below the minimum is stored as the
// minimum. The page asked for is kept as asked: a page larger than the range is cut to the range
// wherever it is used, so the page comes back in full when the range grows again. Every change
// clamps the position (scroll_geometry.h); when it moves, on_position_changed tells the owner and
// the buttons are laid out anew.
//
// Properties, after the panel's, the current values serving as defaults: "Vertical" (integer,
// default 0: horizontal), "MinButtonSize", "MaxButtonSize" (scaled integers, default 0: the end
// buttons' lengths along the bar), "Min", "Max" (default 0), "Page" (default 1). "KindMin",
// "KindMax", "KindSpace" and "KindTrack" are read once, when the bar is built.
//
// User-interface thread only.

#include "skinner/control_button.h"
#include "skinner/control_panel.h"
#include "skinner/scroll_geometry.h"

#include <array>
#include <memory>

namespace skinner {

class ControlScrollBar : public ControlPanel {
public:
    class Button : public ControlButton {
    public:
        Button(ControlScrollBar& bar, ScrollPart part, std::u16string_view kind);

        void on_button0_down(Point point, bool double_click) override;
        void on_button0_up(Point point, bool double_click) override;
        void on_mouse_move(Point point) override;
        void on_own_timer() override;

        ScrollPart part() const { return m_part; }
        // Where the stylus went down, relative to the button's top-left corner.
        Point press_offset() const { return m_press_offset; }
        double repeat_interval() const { return m_repeat_interval; }
        const RepeatCountdown& countdown() const { return m_countdown; }

    private:
        ControlScrollBar& m_bar;
        ScrollPart m_part;
        Point m_press_offset;
        double m_repeat_interval = 0.1;
        RepeatCountdown m_countdown;
    };

    ControlScrollBar(Container& container, std::u16string_view name, LookupMode mode);
    ~ControlScrollBar() override;

    // The clicks of the bar's own buttons stop here (they have acted on their press).
    int32_t on_child_click(Control& control, Point argument) override;
    void set_rect(const Rect& rect) override;
    void on_skin_changed() override;

    // Raises on_scroll (this, position) to the container.
    virtual void on_position_changed(int32_t position);

    // A changed minimum or maximum is stored; the position is clamped again and the bar laid out.
    void set_range(int32_t minimum, int32_t maximum);
    // A changed page is stored; the position is clamped again and the bar laid out.
    void set_page(int32_t page);
    // Clamps and stores the position; a move is told with on_position_changed.
    void set_position(int32_t position);
    int32_t position() const { return m_position; }
    int32_t minimum() const { return m_range.minimum; }
    int32_t maximum() const { return m_range.maximum; }
    // The page as asked for; page_in_use() is what the range leaves of it.
    int32_t page() const { return m_range.page; }
    int32_t page_in_use() const { return normalized_scroll_range(m_range).page; }
    int32_t step() const { return m_step; }
    bool is_vertical() const { return m_vertical; }

    // What a press (or repeat) of part does.
    void act(ScrollPart part);
    // Moves the position for the thumb dragged with the stylus at point, pressed offset pixels
    // into the thumb.
    void drag_thumb(Point point, Point offset);

    Button& button(ScrollPart part) const { return *m_buttons[size_t(part)]; }
    // The parts as last laid out.
    const ScrollBarParts& parts() const { return m_parts; }

private:
    void read_bar_properties();
    // Clamps value into the range; lays the bar out when the position moved or when forced.
    void clamp_to(int64_t value, bool force_layout);
    void layout_bar();
    int32_t thumb_border() const;

    bool m_vertical = false;
    int32_t m_min_button_size = 0;
    int32_t m_max_button_size = 0;
    ScrollRange m_range;
    int32_t m_position = 0;
    int32_t m_step = 1;
    std::array<std::unique_ptr<Button>, 5> m_buttons;
    ScrollBarParts m_parts;
};

} // namespace skinner
