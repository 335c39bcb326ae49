#pragma once

// The device screen in one desktop window, scaled by the largest whole factor that fits the
// desktop. Mouse and keyboard become the stylus and the keys; resizing the desktop window
// changes the device screen's size.

#include "os/geometry.h"
#include "os/screen_backend.h"

#include <memory>
#include <string>

namespace os {

// Null, with the reason in error, when there is no display or SDL cannot open a window.
std::unique_ptr<ScreenBackend> create_sdl_backend(Size size, std::string& error);

} // namespace os
