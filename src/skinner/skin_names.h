#pragma once

// Names that skins give as string properties and controls turn into values. Matching is exact
// (case-sensitive); any other text gives nothing, and the caller's default applies.

#include <cstdint>
#include <optional>
#include <string_view>

namespace skinner {

// How a control follows its container's size along one axis ("AnchorX", "AnchorY").
enum class AnchorMode : int32_t {
    min_side = 0, // "MIN_SIDE"
    both_side = 1, // "BOTH_SIDE"
    max_side = 2, // "MAX_SIDE"
    ratio = 3, // "RATIO"
};

std::optional<AnchorMode> anchor_from_name(std::u16string_view name);

// The system cursors of the "Cursor" property, each standing for the desktop cursor of the same
// meaning.
enum class Cursor {
    arrow, // "ARROW"
    hand, // "HAND"
    ibeam, // "IBEAM"
    size_nesw, // "SIZENESW"
    size_ns, // "SIZENS"
    size_nwse, // "SIZENWSE"
    size_we, // "SIZEWE"
    wait, // "WAIT"
    size_all, // "SIZEALL"
    no, // "NO"
    help, // "HELP"
    app_starting, // "APPSTARTING"
};

std::optional<Cursor> cursor_from_name(std::u16string_view name);

} // namespace skinner
