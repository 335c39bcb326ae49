#pragma once

// The arithmetic of scroll bars and auto-scroll panels: clamping a position to a range and a page,
// laying out the five parts of a bar, the actions of its buttons, thumb dragging, the repeat
// countdown of held buttons, and fitting a content control beside the bars it needs. Plain
// functions, so tests and the controls share them.
//
// A range is [minimum, maximum] with a page: the amount visible at once. Positions run from
// minimum to maximum - page, so the page's far end reaches maximum.

#include "skinner/geometry.h"

#include <cstdint>

namespace skinner {

struct ScrollRange {
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t page = 1;

    friend bool operator==(const ScrollRange&, const ScrollRange&) = default;
};

// The range as it is used: a maximum below the minimum is raised to it (an empty range), and the
// page is cut to [0, maximum - minimum].
ScrollRange normalized_scroll_range(ScrollRange range);

// value limited to [minimum, maximum - page] of the normalised range.
int32_t clamp_scroll_position(const ScrollRange& range, int64_t value);

// The five parts of a bar, top to bottom (left to right for a horizontal bar).
enum class ScrollPart : int32_t {
    MinButton, // steps toward the minimum
    MinSpace, // pages toward the minimum
    Thumb, // dragged
    MaxSpace, // pages toward the maximum
    MaxButton, // steps toward the maximum
};

struct ScrollBarParts {
    Rect min_button;
    Rect min_space;
    Rect thumb;
    Rect max_space;
    Rect max_button;
    // The pixels over which the thumb's start moves from the minimum to the maximum.
    int32_t travel = 0;

    const Rect& operator[](ScrollPart part) const;
};

// Lays out a bar (vertical: along y; horizontal: the same along x) for position in the normalised
// range. min_button and max_button are the lengths of the end buttons along the bar, thumb_border
// the length of the thumb picture's borders (its shortest drawable length). With f the position's
// fraction of the range and g the page's (0 and 1 for an empty range) and travel = max(0, length -
// max_button - thumb_border - min_button), the thumb runs from start + min_button + travel f to
// end - max_button - travel (1 - f - g), both truncated, and the spaces fill the rest between the
// end buttons.
ScrollBarParts scroll_bar_parts(const Rect& bar, bool vertical, const ScrollRange& range, int32_t position,
    int32_t min_button, int32_t max_button, int32_t thumb_border);

// Where a press (or a repeat) of part moves the position before clamping: one step for the end
// buttons, one page for the spaces; the thumb does not move it.
int64_t scroll_action_target(ScrollPart part, int32_t position, int32_t page, int32_t step);

// The position for a thumb dragged so that its start is along pixels past the start of its travel
// (stylus - press offset - min_button - bar start): minimum + (maximum - minimum) f, truncated, with
// f = along / travel limited to [0, 1] (0 for no travel). Not yet clamped to the page.
int32_t scroll_drag_position(const ScrollRange& range, int32_t travel, int32_t along);

// The countdown of a held button: a press starts it at 5; each timer tick while the button is held
// counts down, and from the tick that takes it below 0 every tick repeats the action (when the
// button is enabled). At a 0.1 s interval the first repeat comes 0.6 s after the press.
class RepeatCountdown {
public:
    static constexpr int32_t s_start = 5;

    void start() { m_count = s_start; }
    // One tick of a held button; whether the action repeats now.
    bool tick(bool enabled);
    int32_t count() const { return m_count; }

private:
    int32_t m_count = s_start;
};

// The properties of an auto-scroll panel that the layout needs (all in pixels).
struct AutoScrollMetrics {
    int32_t scroll_width = 0; // width of the vertical bar
    int32_t scroll_height = 0; // height of the horizontal bar
    Point border_min; // content insets at the left and top
    Point border_max; // content insets at the right and bottom
    Point scroll_border_min; // bar insets before the bar
    Point scroll_border_max; // bar insets after the bar
};

struct AutoScrollLayout {
    bool vertical_bar = false;
    bool horizontal_bar = false;
    Rect view; // the panel less the space of the visible bars
    Rect content; // the view less the content insets
    Rect vertical_rect; // where the vertical bar goes (meaningful when shown)
    Rect horizontal_rect;
};

// Decides which bars a content of size content_size needs in panel: the vertical one when it is
// taller than the panel, the horizontal one when it is wider than what the vertical bar leaves,
// and the vertical one after all when the horizontal bar leaves too little height. Sizes that come
// out negative are kept as computed (an empty rectangle).
AutoScrollLayout auto_scroll_layout(const AutoScrollMetrics& metrics, const Rect& panel, Size content_size);

} // namespace skinner
