#pragma once

// Writes a surface as an 8-bit RGB PNG (the alpha byte is dropped: the screen is opaque), for
// --screenshot and for tests that want to look at a frame.

#include "os/surface.h"

#include <string>

namespace os {

// False when the surface is empty or the file cannot be written (a partly written file is
// removed).
bool write_png(const Surface& surface, const std::u16string& path);

} // namespace os
