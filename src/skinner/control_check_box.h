#pragma once

// A button with a checked flag: firing toggles the flag first, then fires as a button. While
// checked it draws from a second set of styles, "CheckedNormal", "CheckedPressed",
// "CheckedHighlighted", "CheckedDisabled" (the last three default to CheckedNormal, which defaults
// to the unchecked Normal style). "Checked" (integer, default the current flag, at first false)
// sets the flag.
//
// User-interface thread only.

#include "skinner/control_button.h"

namespace skinner {

class ControlCheckBox : public ControlButton {
public:
    ControlCheckBox(Container& container, std::u16string_view name, LookupMode mode);

    void on_skin_changed() override;
    void fire(Point argument) override;
    const StateStyles& state_styles() const override;

    // Repaints when the flag changes.
    virtual void set_checked(bool checked);
    bool is_checked() const { return m_checked; }

private:
    void read_check_box_properties();

    bool m_checked = false;
    StateStyles m_checked_styles;
};

} // namespace skinner
