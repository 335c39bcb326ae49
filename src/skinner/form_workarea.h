#pragma once

// The part of the screen a form may use, between the shell's bars, by the work-area rule
// (os::work_area): on a Smartphone the bars are 20, 27, 40 or 54 pixels high for screen widths
// 176, 240, 352 and 480 and absent otherwise; on a Pocket PC 52 for widths 480 and 640, else 26.
// When asked, an input panel that is on cuts the area at the visible desktop's bottom. Every
// answer is logged as "Form::get_workarea x y width height".

#include "os/geometry.h"
#include "os/platform.h"

namespace skinner {

// The input panel asked from the platform when ask_input_panel is set.
os::Rect form_workarea(os::Size screen, bool smartphone, bool ask_input_panel);
// With the input panel as given.
os::Rect form_workarea(os::Size screen, bool smartphone, const os::InputPanelInfo& panel);

} // namespace skinner
