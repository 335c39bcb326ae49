#include "player/panel_play.h"

namespace player {

PanelPlay::PanelPlay(skinner::Container& container)
    : ControlPanel(container, u"panelPlay", skinner::LookupMode::named)
    , m_display(inner())
    , m_levels(inner(), false)
    , m_position(inner())
{
}

PanelPlay::~PanelPlay() = default;

} // namespace player
