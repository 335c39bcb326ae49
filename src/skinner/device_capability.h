#pragma once

// Which kind of handheld the framework runs on, asked once and remembered: the menu manager, the
// power manager, the work area, key delivery and the Smartphone-only behaviours of buttons all
// follow from it.
//
// User-interface thread only (the answers are cached unsynchronised).

#include "skinner/device.h"

#include <string_view>

namespace skinner {

// Whether the device is a Smartphone. The platform type text (at most 200 characters) is read on
// the first call, logged as "static_capability_is_smartphone=" + text, lower-cased and compared
// with "smartphone"; the answer holds for the life of the process.
bool static_capability_is_smartphone();

// True on a Smartphone, or when the system's major version is 5 or more: the devices whose
// shell offers soft keys to every form. Cached like the test above.
bool static_capability_has_soft_keys();

// The kind the skin layer speaks of.
DeviceKind device_kind();

// Decides the test above from a platform type text (no cache, no log).
bool is_smartphone_type(std::u16string_view platform_type);

// Forgets both cached answers, so that the next question reads the platform again. For a process
// that sets up a screen of another kind after the first was asked about (tests, tools).
void forget_static_capabilities();

} // namespace skinner
