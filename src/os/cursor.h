#pragma once

// The system cursors a control may name in its skin ("Cursor" property), shown over the device
// screen by the sdl backend as the desktop's matching system cursor.

#include <optional>
#include <string_view>

namespace os {

enum class Cursor {
    arrow,
    hand,
    ibeam,
    size_nesw,
    size_ns,
    size_nwse,
    size_we,
    wait,
    size_all,
    no,
    help,
    app_starting,
};

// "ARROW", "HAND", "IBEAM", "SIZENESW", "SIZENS", "SIZENWSE", "SIZEWE", "WAIT", "SIZEALL", "NO",
// "HELP", "APPSTARTING" (exact upper case); nothing for any other name.
std::optional<Cursor> cursor_from_name(std::u16string_view name);

} // namespace os
