#pragma once

// A main menu to try a skin's menu bar and popups with. A form record asks for it with an auto
// entry of kind "Preview.Menu" (the player's own forms make nothing for that kind); the record must
// also have the controls "menuSoftButtonOk" and "menuSoftButtonMenu", whose "Action" texts label
// the soft keys, as the player's forms with a menu do. The menu has a "Play" item on the left soft
// key and a "Menu" popup on the right one with check items, a disabled entry, a separator and a
// submenu; chosen commands are printed and toggle their check marks.

#include "skinner/control_menu_main.h"
#include "skinner/listener.h"
#include "skinner/menu_entry.h"
#include "skinner/menu_main_button.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace skinner {
class Form;
class Properties;
} // namespace skinner

namespace skin_preview {

// The menu's controls; they must go before their form does.
struct MenuControls {
    std::unique_ptr<skinner::ControlMenuMain> menu;
    std::unique_ptr<skinner::MenuMainButton> play;
    std::unique_ptr<skinner::MenuMainSubMenu> more;
};

// The form's listener: fills the popup and takes the chosen commands. It outlives the form.
class PreviewMenu : public skinner::Listener {
public:
    // Builds the menu in the form when its record lists a "Preview.Menu" entry; null otherwise.
    std::unique_ptr<MenuControls> build(
        skinner::Form& form, skinner::Properties& skin, std::u16string_view form_name);

    int32_t on_menu(skinner::MenuEntry& menu) override;
    int32_t on_command(std::u16string_view command) override;

private:
    bool m_shuffle = false;
    bool m_repeat = true;
    std::u16string m_screen_off = u"cmdScreenOffNever";
};

} // namespace skin_preview
