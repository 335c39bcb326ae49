#pragma once

// What the skin needs to know of the device it runs on: its kind (a form layout may be meant for
// one kind only, through its "Devices" text) and the work area a form may fill. The kind is the
// platform's (os/platform.h); the work area is the platform's rule without the input panel.

#include "os/platform.h"
#include "skinner/geometry.h"

#include <string_view>

namespace skinner {

using DeviceKind = os::PlatformKind;

// The size of the work area of a screen: the screen less a bar above and one below.
Size workarea_size(Size screen, DeviceKind kind);

// Whether a device text admits the device: an empty text admits every device; otherwise it must
// contain "S" on a Smartphone and "P" on a Pocket PC.
bool good_for_device(std::u16string_view devices, DeviceKind kind);

} // namespace skinner
