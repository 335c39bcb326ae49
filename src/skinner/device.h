#pragma once

// What the skin needs to know of the device it runs on: the kind (a form may be meant for one
// kind only, through its "Devices" text) and the work area a form may fill.

#include "skinner/geometry.h"

#include <string_view>

namespace skinner {

enum class DeviceKind {
    pocket_pc, // touch screen, title bar and command bar: "P" in a skin's device texts
    smartphone, // keypad and two soft keys: "S"
};

// The height of the shell's bar above the work area, and of the one below it.
int32_t bar_height(Size screen, DeviceKind kind);

// The size left between the shell's bars, without asking the input panel. The bars are t pixels
// high, one above and one below: on a Smartphone t = 20, 27, 40, 54 for screen widths 176, 240,
// 352, 480 and 0 for any other; on a Pocket PC t = 52 for widths 480 and 640, else 26.
// FIXME: the same rule serves the window placement of forms; keep one copy once the screen layer
// offers it.
Size workarea_size(Size screen, DeviceKind kind);

// Whether a device text admits the device: an empty text admits every device; otherwise it must
// contain "S" on a Smartphone and "P" on a Pocket PC.
bool good_for_device(std::u16string_view devices, DeviceKind kind);

} // namespace skinner
