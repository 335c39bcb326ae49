#pragma once

// Names that button and frame properties give and the controls turn into values. Matching is exact;
// any other text gives nothing, and the caller keeps its default.

#include <cstdint>
#include <optional>
#include <string_view>

namespace skinner {

// "HAlignment": "LEFT" 0, "CENTER" 1, "RIGHT" 2 (the values of geometry.h's Alignment).
std::optional<int32_t> horizontal_alignment_from_name(std::u16string_view name);
// "VAlignment": "TOP" 0, "VCENTER" 1, "BOTTOM" 2.
std::optional<int32_t> vertical_alignment_from_name(std::u16string_view name);

// A button's "Action": what the button stands for besides being pressed.
enum class ButtonAction : int32_t {
    nothing = 0, // "NOTHING"
    caption = 1, // "CAPTION"
    border_left = 2, // "BORDER_LEFT"
    border_right = 3, // "BORDER_RIGHT"
    border_bottom = 4, // "BORDER_BOTTOM"
    border_top = 5, // "BORDER_TOP"
    corner_bottom_left = 6, // "CORNER_BOTTOM_LEFT"
    corner_bottom_right = 7, // "CORNER_BOTTOM_RIGHT"
    corner_top_left = 8, // "CORNER_TOP_LEFT"
    corner_top_right = 9, // "CORNER_TOP_RIGHT"
    button_close = 10, // "BUTTON_CLOSE"
    button_minimize = 11, // "BUTTON_MINIMIZE"
    button_maximize = 12, // "BUTTON_MAXIMIZE"
    button_sysmenu = 13, // "BUTTON_SYSMENU"
    button_ok = 14, // "BUTTON_OK"
    button_cancel = 15, // "BUTTON_CANCEL"
    button_yes = 16, // "BUTTON_YES"
};

std::optional<ButtonAction> action_from_name(std::u16string_view name);

} // namespace skinner
