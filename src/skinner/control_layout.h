#pragma once

// The arithmetic of the control model, as plain functions: anchor layout, the overlap test of
// painting and the steps of the focus order. Containers call them; tests call them directly.

#include "skinner/geometry.h"
#include "skinner/skin_names.h"

#include <cstdint>

namespace skinner {

// A position and a length along one axis.
struct Span {
    int32_t position = 0;
    int32_t length = 0;

    friend bool operator==(const Span&, const Span&) = default;
};

// Where a control goes along one axis when its container, designed design_extent long, is now
// extent long at origin; position and length are the control's design values (relative to the
// container). With d = extent - design_extent:
//   MIN_SIDE:  (origin + position, length): keeps its distance to the near edge;
//   MAX_SIDE:  (origin + position + d, length): keeps its distance to the far edge;
//   BOTH_SIDE: (origin + position, length + d): keeps both distances, stretching;
//   RATIO:     position and far end scaled by extent / design_extent (integer division, truncated
//              toward zero), as MIN_SIDE when design_extent is 0.
// Worked in 64 bits and held inside the 32-bit range, so no skin value can overflow it.
Span anchor_axis(
    AnchorMode mode, int32_t origin, int32_t design_extent, int32_t extent, int32_t position, int32_t length);

// Both axes: the control's rectangle in window coordinates.
Rect anchor_rect(AnchorMode horizontal, AnchorMode vertical, Point origin, Size design, Size current,
    Point position, Size size);

// Whether a control's rectangle reaches into the dirty rectangle: left < dirty right, top < dirty
// bottom, right > dirty left and bottom > dirty top.
bool overlaps(const Rect& control, const Rect& dirty);

// The rectangle shrunk by near at the left and top and by far at the right and bottom: where a
// button or a frame draws its text inside its borders.
Rect inset_rect(const Rect& rect, Point near, Point far);

// Whether the point lies in [left, left + width) x [top, top + height), without overflow.
bool rect_contains(const Rect& rect, Point point);

// One step through the focus order: count controls may take the focus (in tab order) and current
// is the index of the focused one, or -1 when it is not among them. target is the index to focus
// (-1 when count is 0); moved is false when there is none and after wrapping around an end, so
// that an enclosing container may take the key instead.
//   forward:  the next; from the last, the first (not moved); from outside the list, the first.
//   backward: the previous; from the first, the last (not moved); from outside the list, the last.
struct FocusStep {
    int32_t target = -1;
    bool moved = false;

    friend bool operator==(const FocusStep&, const FocusStep&) = default;
};
FocusStep focus_step(int32_t count, int32_t current, bool forward);

} // namespace skinner
