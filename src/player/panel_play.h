#pragma once

// The play panel of the main form ("panelPlay"), shown while a track plays: the display, level and
// position panels. Their commands and value changes climb through it to the form.
//
// User-interface thread only.

#include "player/panel_display.h"
#include "player/panel_levels.h"
#include "player/panel_position.h"
#include "skinner/control_panel.h"

namespace player {

class PanelPlay : public skinner::ControlPanel {
public:
    explicit PanelPlay(skinner::Container& container);
    ~PanelPlay() override;

    PanelDisplay& display() { return m_display; }
    PanelLevels& levels() { return m_levels; }
    PanelPosition& position() { return m_position; }

private:
    PanelDisplay m_display;
    PanelLevels m_levels;
    PanelPosition m_position;
};

} // namespace player
