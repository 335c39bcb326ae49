#include "skinner/control_window.h"

namespace skinner {

uint32_t ControlWindow::allocate_timer_id()
{
    static uint32_t s_next = 1;
    uint32_t id = s_next++;
    if (id == 0)
        id = s_next++;
    return id;
}

} // namespace skinner
