#pragma once

// The about form ("About" of the settings skin): the product line, a text the skin fills, a link
// to the product's web page, and a way to close it ("btnOk", the "Ok" command, the left soft key).
// The main form builds it each time from the settings skin loaded with the current language, so
// it always speaks the language chosen last.
//
// User-interface thread only.

#include "skinner/control_button.h"
#include "skinner/control_frame.h"
#include "skinner/control_menu_main.h"
#include "skinner/form.h"
#include "skinner/menu_main_button.h"

#include <string_view>

namespace player {

class AboutForm : public skinner::Form {
public:
    static constexpr std::u16string_view s_product = u"MOSK Melodeck v1.0";
    static constexpr std::u16string_view s_home_page = u"https://melodeck.mosk.example/";

    // parent and skin must outlive the form.
    AboutForm(skinner::Form* parent, skinner::Properties* skin, std::u16string_view product = s_product);
    ~AboutForm() override;

    int32_t on_child_click(skinner::Control& control, skinner::Point argument) override;
    int32_t on_command(std::u16string_view command) override;

    skinner::ControlFrame& product() { return m_product; }
    skinner::ControlFrame& copyright() { return m_copyright; }

private:
    skinner::ControlMenuMain m_menu_main;
    skinner::ControlFrame m_product;
    skinner::ControlFrame m_copyright;
    skinner::ControlButton m_link;
    // The left soft key: a device without a touch screen closes the form with it.
    skinner::MenuMainButton m_ok;
};

} // namespace player
