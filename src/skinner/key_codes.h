#pragma once

// The framework's own numbering of keys and pointer buttons. The window translates the platform's
// keys into these codes before any container or control sees them, so every key event carries one
// of them; keys the table does not name arrive as KeyOther.

#include <cstdint>

namespace skinner {

enum KeyCode : int32_t {
    KeyOther = 0,
    KeyShift = 1,
    KeyControl = 2,
    KeyAlt = 3,
    KeyLeft = 4,
    KeyRight = 5,
    KeyUp = 6,
    KeyDown = 7,
    KeyEscape = 8,
    KeyEnter = 9,
    KeySpace = 10,
    KeyBackspace = 11,
    KeyDelete = 12,
    KeyInsert = 13,
    KeyHome = 14,
    KeyEnd = 15,
    KeyPageDown = 16,
    KeyPageUp = 17,
    KeyTab = 18,
    KeyApplication = 19, // the context-menu key
    KeyA = 20, // letters A to Z are 20 to 45
    KeyZ = 45,
    Key0 = 46, // digits 0 to 9 are 46 to 55
    Key9 = 55,
};

// Pointer buttons: a stylus tap is button 0; a tap-and-hold gesture arrives as button 2; the window
// never sends button 1, which stays for a second mouse button.
enum PointerButton : int32_t {
    ButtonTap = 0,
    ButtonSecond = 1,
    ButtonHold = 2,
};

inline constexpr int32_t s_pointer_button_count = 3;

} // namespace skinner
