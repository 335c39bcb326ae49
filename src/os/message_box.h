#pragma once

// Message boxes with a single OK button. The screen draws them as modal boxes inside the device
// screen once it runs (it installs a handler); without one — in a run without a display — the
// text goes to stderr.

#include <functional>
#include <string>

namespace os {

using MessageBoxHandler = std::function<void(std::u16string_view text, std::u16string_view caption)>;

void message_box(std::u16string_view text, std::u16string_view caption);
// Installs the handler (an empty one restores stderr); returns the previous one.
MessageBoxHandler set_message_box_handler(MessageBoxHandler handler);

} // namespace os
