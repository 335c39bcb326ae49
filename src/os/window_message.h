#pragma once

// The messages the screen's loop delivers to windows. Ids are the Windows message numbers, which
// are this system's own message ids; WM_USER and WM_QUIT come from message_queue.h. Parameters
// follow the Windows packing so a window procedure reads them the familiar way:
//
//   WM_SIZE            lparam = width | height << 16 of the new client size
//   WM_ACTIVATE        wparam = WA_ACTIVE / WA_CLICKACTIVE / WA_INACTIVE, lparam = the other window's id
//   WM_PAINT           the window's update_rect() says what to repaint (see Window)
//   WM_KEYDOWN/UP      wparam = virtual key (keys.h); lparam bit 30 set on a repeated key-down
//   WM_CHAR            wparam = one UTF-16 code unit
//   WM_HOTKEY          (Smartphone Back) wparam = VK_ESCAPE, lparam = modifiers | MOD_KEYUP on release,
//                      high word VK_ESCAPE
//   pointer messages   lparam = x | y << 16 (signed 16-bit halves), client coordinates; wparam =
//                      MK_* flags (MK_RBUTTON on a left-button message: the right button standing
//                      in for a tap-and-hold)
//   WM_CAPTURECHANGED  lparam = the id of the window taking the capture (0: none)
//   WM_TIMER           wparam = the timer id given to Window::set_timer
//   WM_SETTINGCHANGE   wparam = SETTINGCHANGE_RESET (the screen size changed), SPI_SETWORKAREA or
//                      SPI_SETSIPINFO
//   WM_COPYDATA        wparam = the data word, data = the bytes
//   WM_USER + n        the application's own

#include "os/geometry.h"
#include "os/message_queue.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace os {

// Windows live in a table of the screen under ids that are never reused, so a message posted to a
// window that is gone meanwhile is dropped rather than delivered to freed memory.
using WindowId = uint32_t;

inline constexpr uint32_t WM_NULL = 0x0000;
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
inline constexpr uint32_t WM_PAINT = 0x000F;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_SETTINGCHANGE = 0x001A;
inline constexpr uint32_t WM_COPYDATA = 0x004A;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_CHAR = 0x0102;
inline constexpr uint32_t WM_TIMER = 0x0113;
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_CAPTURECHANGED = 0x0215;
inline constexpr uint32_t WM_HOTKEY = 0x0312;

inline constexpr uintptr_t WA_INACTIVE = 0;
inline constexpr uintptr_t WA_ACTIVE = 1;
inline constexpr uintptr_t WA_CLICKACTIVE = 2;

inline constexpr uintptr_t MK_LBUTTON = 0x0001;
inline constexpr uintptr_t MK_RBUTTON = 0x0002;
inline constexpr uintptr_t MK_SHIFT = 0x0004;
inline constexpr uintptr_t MK_CONTROL = 0x0008;

inline constexpr uintptr_t MOD_ALT = 0x0001;
inline constexpr uintptr_t MOD_CONTROL = 0x0002;
inline constexpr uintptr_t MOD_SHIFT = 0x0004;
inline constexpr uintptr_t MOD_KEYUP = 0x1000;

inline constexpr uintptr_t SPI_SETWORKAREA = 47;
inline constexpr uintptr_t SPI_SETSIPINFO = 224;
inline constexpr uintptr_t SETTINGCHANGE_RESET = 0x3002;

inline intptr_t make_lparam(int32_t low, int32_t high)
{
    return intptr_t(uint32_t(uint16_t(low)) | (uint32_t(uint16_t(high)) << 16));
}
inline int32_t lparam_low(intptr_t lparam)
{
    return int16_t(uint16_t(uintptr_t(lparam) & 0xFFFF));
}
inline int32_t lparam_high(intptr_t lparam)
{
    return int16_t(uint16_t((uintptr_t(lparam) >> 16) & 0xFFFF));
}

struct WindowMessage {
    // 0 for a thread message (posted to the UI thread, not to a window) or a callback.
    WindowId window = 0;
    uint32_t id = WM_NULL;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    // The screen clock (milliseconds) when the message was posted or its input happened.
    int64_t time = 0;
    // WM_COPYDATA: the bytes handed over.
    std::vector<uint8_t> data;
    // A callback posted to the UI thread: dispatch runs it.
    std::function<void()> callback;

    Point point() const { return {lparam_low(lparam), lparam_high(lparam)}; }
    Size size() const { return {lparam_low(lparam) & 0xFFFF, lparam_high(lparam) & 0xFFFF}; }
};

} // namespace os
