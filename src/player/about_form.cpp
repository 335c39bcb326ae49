#include "player/about_form.h"

#include "os/shell_open.h"
#include "skinner/button_behaviour.h"
#include "skinner/form_impl.h"
#include "skinner/properties.h"

namespace player {

using skinner::LookupMode;

AboutForm::AboutForm(skinner::Form* parent, skinner::Properties* skin, std::u16string_view product)
    : Form(parent, skin, u"About", nullptr)
    , m_menu_main(*this)
    , m_product(*this, u"frmProduct", LookupMode::named)
    , m_copyright(*this, u"frmCopyright", LookupMode::named)
    , m_link(*this, u"btnLink", LookupMode::named)
    , m_ok(*this, u"Ok", skin->translate(u"Ok"), skinner::s_soft_key_ok)
{
    m_product.set_text(product);
    if (impl().window().caption() == u"Loading...")
        impl().set_title(skin->translate(u"Menu_About"));
}

AboutForm::~AboutForm() = default;

int32_t AboutForm::on_child_click(skinner::Control& control, skinner::Point)
{
    if (control.name() == u"btnOk")
        close();
    else if (&control == &m_link)
        os::shell_open(s_home_page);
    return 0;
}

int32_t AboutForm::on_command(std::u16string_view command)
{
    if (command == u"Ok")
        close();
    return 0;
}

} // namespace player
