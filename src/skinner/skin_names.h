#pragma once

// Names that skins give as string properties and controls turn into values. Matching is exact
// (case-sensitive); any other text gives nothing, and the caller's default applies. The cursor
// names of the "Cursor" property are the platform's (os::cursor_from_name).

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace skinner {

// How a control follows its container's size along one axis ("AnchorX", "AnchorY").
enum class AnchorMode : int32_t {
    min_side = 0, // "MIN_SIDE"
    both_side = 1, // "BOTH_SIDE"
    max_side = 2, // "MAX_SIDE"
    ratio = 3, // "RATIO"
};

std::optional<AnchorMode> anchor_from_name(std::u16string_view name);

// The value that a table of (name, value) pairs gives a name, matched exactly.
template<typename T, size_t N>
std::optional<T> lookup_name(
    const std::array<std::pair<std::u16string_view, T>, N>& table, std::u16string_view name)
{
    for (const auto& [text, value] : table) {
        if (text == name)
            return value;
    }
    return std::nullopt;
}

} // namespace skinner
