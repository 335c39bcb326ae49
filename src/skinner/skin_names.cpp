#include "skinner/skin_names.h"

#include <array>
#include <utility>

namespace skinner {

namespace {

template<typename T, size_t N>
std::optional<T> lookup(
    const std::array<std::pair<std::u16string_view, T>, N>& table, std::u16string_view name)
{
    for (const auto& [text, value] : table) {
        if (text == name)
            return value;
    }
    return std::nullopt;
}

} // namespace

std::optional<AnchorMode> anchor_from_name(std::u16string_view name)
{
    static constexpr std::array<std::pair<std::u16string_view, AnchorMode>, 4> s_table = {{
        {u"MIN_SIDE", AnchorMode::min_side},
        {u"BOTH_SIDE", AnchorMode::both_side},
        {u"MAX_SIDE", AnchorMode::max_side},
        {u"RATIO", AnchorMode::ratio},
    }};
    return lookup(s_table, name);
}

std::optional<Cursor> cursor_from_name(std::u16string_view name)
{
    static constexpr std::array<std::pair<std::u16string_view, Cursor>, 12> s_table = {{
        {u"ARROW", Cursor::arrow},
        {u"HAND", Cursor::hand},
        {u"IBEAM", Cursor::ibeam},
        {u"SIZENESW", Cursor::size_nesw},
        {u"SIZENS", Cursor::size_ns},
        {u"SIZENWSE", Cursor::size_nwse},
        {u"SIZEWE", Cursor::size_we},
        {u"WAIT", Cursor::wait},
        {u"SIZEALL", Cursor::size_all},
        {u"NO", Cursor::no},
        {u"HELP", Cursor::help},
        {u"APPSTARTING", Cursor::app_starting},
    }};
    return lookup(s_table, name);
}

} // namespace skinner
