#include "skinner/control_menu_main.h"

#include "skinner/form.h"

namespace skinner {

ControlMenuMain::ControlMenuMain(Form& form, std::u16string_view name)
    : Control(form, name, LookupMode::none)
    , m_form(form)
{
    m_form.register_menu_main(*this);
}

ControlMenuMain::~ControlMenuMain()
{
    m_form.unregister_menu_main(*this);
}

} // namespace skinner
