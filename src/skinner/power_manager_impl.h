#pragma once

// The display power manager of a form: switches the display off after a time without user input
// while the form is in front, and on again at the first tap or key (which still reaches the form).
// This base class is what a device without a touch screen (a Smartphone) gets: it never switches
// anything and reports the display on. PowerManagerImplPocket does the work elsewhere.
//
// The application maps its "ScreenOff" setting to set_interval and calls reset() after each change.
//
// User-interface thread only.

#include "liba/nocopy.h"

#include <memory>

namespace os {
struct WindowMessage;
}

namespace skinner {

class Form;

class PowerManagerImpl : private liba::Nocopy {
public:
    // form must outlive the manager.
    explicit PowerManagerImpl(Form& form);
    virtual ~PowerManagerImpl();
    virtual void set_display(bool on);
    virtual bool is_display_on() const;
    // Seconds without input before the display goes off; 0 (or anything not above 0): never.
    virtual void set_interval(double seconds);
    // Counts as user activity: the idle time starts again.
    virtual void reset();

    Form& form() const { return m_form; }

private:
    Form& m_form;
};

// Whether a message on a form's window is the user's doing (a tap, a key or a hardware button
// going down): what wakes the display and restarts its idle time.
bool is_user_activity(const os::WindowMessage& message);

// A plain manager on a Smartphone, the working one (PowerManagerImplPocket) otherwise.
std::unique_ptr<PowerManagerImpl> create_power_manager(Form& form);

} // namespace skinner
