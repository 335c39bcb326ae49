#pragma once

// What skin-preview decides before it shows anything: whether the player would take the skin on
// this device and screen, and which form to show.

#include "skinner/geometry.h"

#include <string>
#include <string_view>

namespace skinner {
class Properties;
}

namespace skin_preview {

// The version text the player asks every skin for.
inline constexpr std::u16string_view s_player_version = u"Melodeck_1.00";

// Why the player would refuse the skin on this screen, one reason a line; empty when it takes it.
// path is the file as given on the command line.
std::string refusal(const skinner::Properties& skin, skinner::Size screen, std::string_view path);

struct FormChoice {
    std::u16string form; // the name to build the form with
    std::u16string layout; // the record the form choice took for it
    std::string error; // why there is none; empty when there is
};

// requested empty: the first form name (in name order) with a layout that fits.
FormChoice choose_form(skinner::Properties& skin, std::u16string_view requested);

} // namespace skin_preview
