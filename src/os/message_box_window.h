#pragma once

// The shell's message box: a modal box in the middle of the work area with the caption on a band
// at its top, the text wrapped below it and an OK button. While it is up every other window is
// disabled; tapping OK, Enter, Space or Escape (Back on a Smartphone) closes it. The screen
// installs run() as the process's message box handler.

#include "liba/nocopy.h"
#include "os/window.h"
#include "os/window_handler.h"

#include <string>

namespace os {

class Screen;

class MessageBoxWindow : private WindowHandler, private liba::Nocopy {
public:
    // Shows the box and returns once it is closed or the screen quits. Called off the UI thread,
    // or once the screen is quitting, it writes "caption: text" to stderr instead; a screen
    // without a display writes it there as well.
    static void run(Screen& screen, std::u16string_view text, std::u16string_view caption);

    // The box's layout for a screen, in screen coordinates, and its OK button inside it (client
    // coordinates).
    struct Layout {
        Rect box;
        Rect ok;
        int32_t text_size = 0;
        int32_t band_height = 0;
        std::vector<std::u16string> lines;
    };
    static Layout layout(const Rect& work_area, std::u16string_view text);

private:
    MessageBoxWindow(Screen& screen, std::u16string_view text, std::u16string_view caption);

    intptr_t on_message(Window& window, const WindowMessage& message) override;
    void paint();
    void pointer(const WindowMessage& message);

    std::u16string m_text;
    std::u16string m_caption;
    Layout m_layout;
    bool m_closed = false;
    bool m_ok_pressed = false;
    Window m_window;
};

} // namespace os
