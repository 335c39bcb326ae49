#pragma once

// The display panel of the play panel ("panelDisplay"): the clock, the title and the format line
// ("frmClock", "frmTitle", "frmInfo"), which the main form's status refresh fills. While it has
// the focus, Left raises "Prev" and Right raises "Next" (they climb to the form); other keys are left to the
// container holding the panel, which moves the focus with them.
//
// User-interface thread only.

#include "skinner/control_frame.h"
#include "skinner/control_panel.h"

namespace player {

class PanelDisplay : public skinner::ControlPanel {
public:
    explicit PanelDisplay(skinner::Container& container);
    ~PanelDisplay() override;

    bool on_key_down(int32_t key) override;

    skinner::ControlFrame& clock() { return m_clock; }
    skinner::ControlFrame& title() { return m_title; }
    skinner::ControlFrame& info() { return m_info; }

private:
    skinner::ControlFrame m_clock;
    skinner::ControlFrame m_title;
    skinner::ControlFrame m_info;
};

} // namespace player
