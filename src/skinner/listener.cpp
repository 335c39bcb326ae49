#include "skinner/listener.h"

namespace skinner {

int32_t Listener::on_child_click(Control&, Point)
{
    return 0;
}
int32_t Listener::on_cell_click(Control&, const GridClick&)
{
    return 0;
}
int32_t Listener::on_cell_hold(Control&, const GridClick&)
{
    return 0;
}
int32_t Listener::on_edit_finished(Control&, const GridEdit&)
{
    return 0;
}
int32_t Listener::on_scroll(Control&, int32_t)
{
    return 0;
}
int32_t Listener::on_command(std::u16string_view)
{
    return 0;
}
int32_t Listener::on_child_value(Control&, double)
{
    return 0;
}
int32_t Listener::on_value_changed(Control&)
{
    return 0;
}
int32_t Listener::on_header_click(Control&, const GridClick&)
{
    return 0;
}
int32_t Listener::on_header_hold(Control&, const GridClick&)
{
    return 0;
}
int32_t Listener::on_selection_changed(Control&)
{
    return 0;
}
int32_t Listener::on_child_focused()
{
    return 0;
}
int32_t Listener::on_menu(MenuEntry&)
{
    return 0;
}

} // namespace skinner
