#pragma once

// Makes the process's screen from the shared command-line options: sets the platform kind, then
// opens the desktop window, or the headless screen when asked (--headless, --screenshot).

#include "os/screen.h"
#include "os/screen_options.h"

#include <memory>
#include <string>

namespace os {

// Null, with the reason in error, when the desktop window cannot be opened.
std::unique_ptr<Screen> create_screen(const ScreenOptions& options, std::string& error);

} // namespace os
