#pragma once

// The progress bars, scroll bars and grid lists of a previewed form. A form record lists them as
// auto controls of the preview kinds below; the player's own forms make nothing for these kinds,
// so a skin can carry them for its authors without changing the player. Each is made in named
// mode from the entry's control name:
//   "Preview.Progress"   a ControlProgress that shows "Value" (integer percent, default 40);
//   "Preview.Slider"     a ControlProgress that takes the values the stylus drags it to;
//   "Preview.ScrollBar"  a ControlScrollBar;
//   "Preview.Grid"       a ControlGrid of "Rows" rows (default 300) in two columns, a fixed number
//                        column of "NumberWidth" pixels (scaled, default 40) and a name column,
//                        with the highlight selection.
// Taps, drags and keys work as in the player, so each can be tried by hand on the desktop.

#include "skinner/container.h"
#include "skinner/control.h"

#include <memory>
#include <string_view>
#include <vector>

namespace skin_preview {

class ListControls {
public:
    // Makes the controls of the form record's preview entries in the form's container.
    ListControls(skinner::Container& form, std::u16string_view form_name);
    ~ListControls();

    const std::vector<std::unique_ptr<skinner::Control>>& controls() const { return m_controls; }

private:
    std::vector<std::unique_ptr<skinner::Control>> m_controls;
};

// The control for one entry; null for a kind that is not a preview kind.
std::unique_ptr<skinner::Control> make_list_control(
    skinner::Container& container, std::u16string_view name, std::u16string_view kind);

} // namespace skin_preview
