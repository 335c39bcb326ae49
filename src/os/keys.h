#pragma once

// Virtual keys (the Windows numbering, which the screen delivers in WM_KEYDOWN/WM_KEYUP) and their
// translation into the framework's key codes, which every key event of the controls carries.
// F1 and F2 are the left and right soft keys; on a Smartphone the Back key is VK_ESCAPE.

#include <cstdint>

namespace os {

inline constexpr uint32_t VK_BACK = 0x08;
inline constexpr uint32_t VK_TAB = 0x09;
inline constexpr uint32_t VK_RETURN = 0x0D;
inline constexpr uint32_t VK_SHIFT = 0x10;
inline constexpr uint32_t VK_CONTROL = 0x11;
inline constexpr uint32_t VK_MENU = 0x12; // Alt
inline constexpr uint32_t VK_ESCAPE = 0x1B;
inline constexpr uint32_t VK_SPACE = 0x20;
inline constexpr uint32_t VK_PRIOR = 0x21; // Page Up
inline constexpr uint32_t VK_NEXT = 0x22; // Page Down
inline constexpr uint32_t VK_END = 0x23;
inline constexpr uint32_t VK_HOME = 0x24;
inline constexpr uint32_t VK_LEFT = 0x25;
inline constexpr uint32_t VK_UP = 0x26;
inline constexpr uint32_t VK_RIGHT = 0x27;
inline constexpr uint32_t VK_DOWN = 0x28;
inline constexpr uint32_t VK_INSERT = 0x2D;
inline constexpr uint32_t VK_DELETE = 0x2E;
inline constexpr uint32_t VK_0 = 0x30; // '0'..'9' are 0x30..0x39
inline constexpr uint32_t VK_A = 0x41; // 'A'..'Z' are 0x41..0x5A
inline constexpr uint32_t VK_APPS = 0x5D; // application (context menu) key
inline constexpr uint32_t VK_F1 = 0x70;
inline constexpr uint32_t VK_F2 = 0x71;
// Media keys: the desktop keyboard's, and gamepad buttons the framework has no key for. The
// framework has no code for them either (translate_key gives 0); the main form reads them itself.
inline constexpr uint32_t VK_VOLUME_DOWN = 0xAE;
inline constexpr uint32_t VK_VOLUME_UP = 0xAF;
inline constexpr uint32_t VK_MEDIA_NEXT_TRACK = 0xB0;
inline constexpr uint32_t VK_MEDIA_PREV_TRACK = 0xB1;
inline constexpr uint32_t VK_MEDIA_STOP = 0xB2;
inline constexpr uint32_t VK_MEDIA_PLAY_PAUSE = 0xB3;
inline constexpr uint32_t VK_TSOFT1 = VK_F1;
inline constexpr uint32_t VK_TSOFT2 = VK_F2;
inline constexpr uint32_t VK_TBACK = VK_ESCAPE;

// The framework's code for a virtual key: Shift 1, Control 2, Alt 3, Left 4, Right 5, Up 6,
// Down 7, Escape 8, Enter 9, Space 10, Backspace 11, Delete 12, Insert 13, Home 14, End 15,
// Page Down 16, Page Up 17, Tab 18, application key 19, letters 20-45, digits 46-55, else 0.
int32_t translate_key(uint32_t virtual_key);

} // namespace os
