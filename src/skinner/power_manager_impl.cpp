#include "skinner/power_manager_impl.h"

#include "os/window_message.h"
#include "skinner/form.h"
#include "skinner/form_impl.h"
#include "skinner/power_manager_impl_pocket.h"

namespace skinner {

PowerManagerImpl::PowerManagerImpl(Form& form)
    : m_form(form)
{
}

PowerManagerImpl::~PowerManagerImpl() = default;

void PowerManagerImpl::set_display(bool)
{
}

bool PowerManagerImpl::is_display_on() const
{
    return true;
}

void PowerManagerImpl::set_interval(double)
{
}

void PowerManagerImpl::reset()
{
}

bool is_user_activity(const os::WindowMessage& message)
{
    switch (message.id) {
    case os::WM_HOTKEY:
        return !(message.lparam & os::MOD_KEYUP);
    case os::WM_LBUTTONDOWN:
    case os::WM_LBUTTONDBLCLK:
    case os::WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_FORM_KEY:
        return true;
    default:
        return false;
    }
}

std::unique_ptr<PowerManagerImpl> create_power_manager(Form& form)
{
    if (form.impl().device_kind() == DeviceKind::smartphone)
        return std::make_unique<PowerManagerImpl>(form);
    return std::make_unique<PowerManagerImplPocket>(form);
}

} // namespace skinner
