#pragma once

// Opens a web address (or a file) with the desktop's preferred program, as the handheld shell's
// "open" verb does: "xdg-open URL", started directly (no shell reads the text), detached from the
// caller, its result not checked. The started program is reaped by a small waiting thread, so
// none is left behind as a zombie. A URL beginning with "-" would be read as an option by
// xdg-open and is refused (logged), as is an empty one.

#include <string_view>

namespace os {

void shell_open(std::u16string_view url);

} // namespace os
