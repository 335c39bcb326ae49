#include "preview_menu.h"

#include "liba/text.h"
#include "skinner/button_behaviour.h"
#include "skinner/form.h"
#include "skinner/properties.h"

#include <cstdio>

namespace skin_preview {

namespace {

constexpr std::u16string_view s_kind = u"Preview.Menu";

skinner::MenuEntry entry(std::u16string_view id, std::u16string_view text, bool checked = false)
{
    skinner::MenuEntry result;
    result.id = id;
    result.text = text;
    result.checked = checked;
    return result;
}

} // namespace

std::unique_ptr<MenuControls> PreviewMenu::build(
    skinner::Form& form, skinner::Properties& skin, std::u16string_view form_name)
{
    bool wanted = false;
    for (uint32_t i = 0; i < skin.auto_control_count(form_name); ++i)
        wanted = wanted || skin.auto_control(form_name, i).second == s_kind;
    if (!wanted)
        return nullptr;
    auto controls = std::make_unique<MenuControls>();
    controls->menu = std::make_unique<skinner::ControlMenuMain>(form);
    controls->play
        = std::make_unique<skinner::MenuMainButton>(form, u"cmdPlay", u"Play", skinner::s_soft_key_ok);
    controls->more
        = std::make_unique<skinner::MenuMainSubMenu>(form, u"menuPreview", u"Menu", skinner::s_soft_key_menu);
    return controls;
}

int32_t PreviewMenu::on_menu(skinner::MenuEntry& menu)
{
    if (menu.id != u"menuPreview")
        return 0;
    menu.children.push_back(entry(u"cmdShuffle", u"Shuffle", m_shuffle));
    menu.children.push_back(entry(u"cmdRepeat", u"Repeat", m_repeat));
    menu.children.back().shortcut = u"R";
    skinner::MenuEntry equalizer = entry(u"cmdEqualizer", u"Equalizer");
    equalizer.enabled = false;
    equalizer.separator_after = true;
    menu.children.push_back(equalizer);
    skinner::MenuEntry screen_off = entry(u"menuScreenOff", u"Screen off");
    for (auto [id, text] : {std::pair {u"cmdScreenOffNever", u"Never"},
             std::pair {u"cmdScreenOff1", u"After 1 min"}, std::pair {u"cmdScreenOff5", u"After 5 min"}})
        screen_off.children.push_back(entry(id, text, m_screen_off == id));
    menu.children.push_back(std::move(screen_off));
    menu.children.push_back(entry(u"cmdAbout", u"About"));
    return 0;
}

int32_t PreviewMenu::on_command(std::u16string_view command)
{
    if (command == u"cmdShuffle")
        m_shuffle = !m_shuffle;
    else if (command == u"cmdRepeat")
        m_repeat = !m_repeat;
    else if (command.starts_with(u"cmdScreenOff"))
        m_screen_off = command;
    std::printf("menu: %s\n", liba::to_utf8(command).c_str());
    std::fflush(stdout);
    return 0;
}

} // namespace skin_preview
