#pragma once

// The desktop keyboard as the handheld's keys: SDL key codes (SDL_Keycode values, passed as plain
// integers so no SDL type leaves the backend) to virtual keys. Both Shift, Ctrl and Alt keys map
// to the one virtual key each; the keypad's Enter and digits act as the main ones; F1 and F2 are
// the soft keys; the media keys give the media virtual keys. 0 for keys the handheld does not
// have.

#include <cstdint>

namespace os {

uint32_t sdl_virtual_key(int32_t sdl_keycode);

} // namespace os
