#pragma once

// The main menu control of a form (named "MenuMain" in the application): while it exists the form
// has a menu, and the menu manager refreshes the bar after every message the window handled.
// Constructing it registers it with its form (a second one is fatal, form.h); destroying it
// unregisters it.
//
// User-interface thread only.

#include "skinner/control.h"

#include <string_view>

namespace skinner {

class Form;

class ControlMenuMain : public Control {
public:
    explicit ControlMenuMain(Form& form, std::u16string_view name = u"MenuMain");
    ~ControlMenuMain() override;

private:
    Form& m_form;
};

} // namespace skinner
