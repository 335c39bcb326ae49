#include "skinner/skin_names.h"

#include <array>
#include <utility>

namespace skinner {

std::optional<AnchorMode> anchor_from_name(std::u16string_view name)
{
    static constexpr std::array<std::pair<std::u16string_view, AnchorMode>, 4> s_table = {{
        {u"MIN_SIDE", AnchorMode::min_side},
        {u"BOTH_SIDE", AnchorMode::both_side},
        {u"MAX_SIDE", AnchorMode::max_side},
        {u"RATIO", AnchorMode::ratio},
    }};
    return lookup_name(s_table, name);
}

} // namespace skinner
