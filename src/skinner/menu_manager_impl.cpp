#include "skinner/menu_manager_impl.h"

#include "skinner/form_impl.h"
#include "skinner/menu_manager_impl_pocket.h"
#include "skinner/menu_manager_impl_smartphone.h"

namespace skinner {

std::unique_ptr<MenuManagerImpl> create_menu_manager(FormImpl& window, DeviceKind kind)
{
    // Popup windows (lists, drop-downs) show no bar of their own.
    if (window.is_popup())
        return nullptr;
    if (kind == DeviceKind::smartphone)
        return std::make_unique<MenuManagerImplSmartphone>(window);
    return std::make_unique<MenuManagerImplPocket>(window, window.os_major_version() >= 5);
}

} // namespace skinner
