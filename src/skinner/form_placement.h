#pragma once

// Where a form's window goes on the screen. What the form knows (its size, its "StartPosition"
// mode, its "Position" point, the room its controls need, its parent's window) and the work area
// give the window's rectangle in screen pixels:
//
//   mode 0 (and any unknown mode): the window keeps its position, or goes to "Position" when the
//          skin gives one; its size is the form's;
//   mode 1: centred in the work area;
//   mode 2: centred on the parent form's window (on the work area without a parent);
//   modes 3, 4, 5: at the work area's origin, each side the larger of the work area's and the
//          room the controls need (every control's position plus size).
//
// Centring divides the free room by 2, truncating toward zero, so a form larger than the area
// overhangs it on both sides.

#include "os/geometry.h"

#include <cstdint>
#include <optional>

namespace skinner {

struct FormPlacement {
    os::Size size; // the form's current size; (0, 0): not yet known, nothing to place
    int32_t start_position = 0;
    std::optional<os::Point> position; // the form-level "Position", when the skin gives one
    os::Size extent; // the room the controls need
    std::optional<os::Rect> parent; // the parent form's window, when there is one
};

// The window's rectangle; none when the form has no size yet. current is where the window is now.
std::optional<os::Rect> place_form_window(
    const FormPlacement& placement, const os::Rect& current, const os::Rect& work_area);

} // namespace skinner
