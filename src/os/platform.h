#pragma once

// The kind of handheld being emulated and the rules that follow from it. The kind is one
// process-wide setting, chosen once at start-up from the command line (--platform) before any
// window exists; everything else reads it. The emulated system reports itself as version 5.

#include "os/geometry.h"

#include <optional>
#include <string>

namespace os {

enum class PlatformKind {
    pocket_pc, // touch screen, title bar and command bar
    smartphone, // keypad, two soft keys, no touch screen
};

void set_platform_kind(PlatformKind kind);
PlatformKind platform_kind();
bool is_smartphone();
// The system's platform type text: "PocketPC" or "SmartPhone".
std::u16string platform_type_string();
inline constexpr int32_t s_os_version_major = 5;

// What the input panel (the on-screen keyboard) reports: whether it is shown and the part of the
// screen that stays visible above it. This screen has no input panel, so it is never shown.
struct InputPanelInfo {
    bool on = false;
    Rect visible_desktop;
};
InputPanelInfo input_panel_info();

// The part of the screen a form may use, between the shell's bars. Smartphone: origin (0, t)
// with t = 20, 27, 40, 54 for widths 176, 240, 352, 480, else 0. Pocket PC: (0, 52) for widths
// 480 and 640, else (0, 26); with an input panel that is on, the area ends at the visible
// desktop's right and bottom. Otherwise the size assumes a bar of height t above and below:
// (W - 2 origin.x, H - 2 origin.y).
Rect work_area(Size screen, PlatformKind kind, const InputPanelInfo& panel = {});

// The height of the title bar and of the bottom bar the shell draws for a screen (the work-area
// origin's y).
int32_t bar_height(Size screen, PlatformKind kind);

} // namespace os
