#pragma once

// The controls that forms and panels make by themselves for the auto-control entries of their form
// record: kind "Auto.Button" makes a ControlButton, "Auto.Frame" a ControlFrame, each bound to the
// entry's control name in named mode. Other kinds make nothing.

#include "skinner/container.h"

#include <memory>
#include <string_view>

namespace skinner {

std::unique_ptr<Control> make_auto_control(
    Container& container, std::u16string_view name, std::u16string_view kind);

} // namespace skinner
