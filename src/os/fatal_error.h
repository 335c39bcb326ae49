#pragma once

// The one way to stop on an internal error that should never happen (a missing skin form, a
// duplicate control id, an unexpected call): logs "Gluck: " + message + " @ " + place, shows a
// message box with the message as text and the place as caption, and ends the process with a
// non-zero exit status. Places are written "Class::operation".

#include <string>

namespace os {

[[noreturn]] void fatal_error(std::u16string_view place, std::u16string_view message);

} // namespace os
