#include "skinner/control_names.h"

#include "skinner/skin_names.h"

#include <array>
#include <utility>

namespace skinner {

std::optional<int32_t> horizontal_alignment_from_name(std::u16string_view name)
{
    static constexpr std::array<std::pair<std::u16string_view, int32_t>, 3> s_table = {{
        {u"LEFT", 0},
        {u"CENTER", 1},
        {u"RIGHT", 2},
    }};
    return lookup_name(s_table, name);
}

std::optional<int32_t> vertical_alignment_from_name(std::u16string_view name)
{
    static constexpr std::array<std::pair<std::u16string_view, int32_t>, 3> s_table = {{
        {u"TOP", 0},
        {u"VCENTER", 1},
        {u"BOTTOM", 2},
    }};
    return lookup_name(s_table, name);
}

std::optional<ButtonAction> action_from_name(std::u16string_view name)
{
    static constexpr std::array<std::pair<std::u16string_view, ButtonAction>, 17> s_table = {{
        {u"NOTHING", ButtonAction::nothing},
        {u"CAPTION", ButtonAction::caption},
        {u"BORDER_LEFT", ButtonAction::border_left},
        {u"BORDER_RIGHT", ButtonAction::border_right},
        {u"BORDER_BOTTOM", ButtonAction::border_bottom},
        {u"BORDER_TOP", ButtonAction::border_top},
        {u"CORNER_BOTTOM_LEFT", ButtonAction::corner_bottom_left},
        {u"CORNER_BOTTOM_RIGHT", ButtonAction::corner_bottom_right},
        {u"CORNER_TOP_LEFT", ButtonAction::corner_top_left},
        {u"CORNER_TOP_RIGHT", ButtonAction::corner_top_right},
        {u"BUTTON_CLOSE", ButtonAction::button_close},
        {u"BUTTON_MINIMIZE", ButtonAction::button_minimize},
        {u"BUTTON_MAXIMIZE", ButtonAction::button_maximize},
        {u"BUTTON_SYSMENU", ButtonAction::button_sysmenu},
        {u"BUTTON_OK", ButtonAction::button_ok},
        {u"BUTTON_CANCEL", ButtonAction::button_cancel},
        {u"BUTTON_YES", ButtonAction::button_yes},
    }};
    return lookup_name(s_table, name);
}

} // namespace skinner
