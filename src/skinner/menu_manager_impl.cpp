#include "skinner/menu_manager_impl.h"

namespace skinner {

std::unique_ptr<MenuManagerImpl> create_menu_manager(FormImpl&, DeviceKind)
{
    return nullptr;
}

} // namespace skinner
