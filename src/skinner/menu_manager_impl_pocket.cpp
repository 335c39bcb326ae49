#include "skinner/menu_manager_impl_pocket.h"

#include "os/fatal_error.h"
#include "os/log.h"
#include "os/screen.h"
#include "os/shell.h"
#include "skinner/control_button.h"
#include "skinner/form.h"
#include "skinner/form_impl.h"
#include "skinner/menu_manager.h"
#include "skinner/properties.h"

#include <algorithm>
#include <array>

namespace skinner {

namespace {

constexpr size_t s_pool_size = 5;
constexpr int32_t s_plain_first_id = 117;
constexpr int32_t s_ok_first_id = 1117;

std::array<bool, s_pool_size> s_plain_taken {};
std::array<bool, s_pool_size> s_ok_taken {};

std::array<bool, s_pool_size>& pool(bool with_ok)
{
    return with_ok ? s_ok_taken : s_plain_taken;
}

int32_t take_id(bool with_ok)
{
    std::array<bool, s_pool_size>& taken = pool(with_ok);
    for (size_t i = 0; i < s_pool_size; ++i) {
        if (!taken[i]) {
            taken[i] = true;
            return (with_ok ? s_ok_first_id : s_plain_first_id) + int32_t(i);
        }
    }
    os::fatal_error(u"ControlMenuMainImpl", u"Add more tolbar ids to the resource file! :)");
}

void give_back(bool with_ok, int32_t id)
{
    pool(with_ok)[size_t(id - (with_ok ? s_ok_first_id : s_plain_first_id))] = false;
}

// What a key whose item is gone offers: nothing to choose.
MenuEntry gone()
{
    MenuEntry entry;
    entry.enabled = false;
    return entry;
}

bool is_soft_key_tag(std::u16string_view tag)
{
    return tag == s_soft_key_ok || tag == s_soft_key_menu;
}

} // namespace

MenuManagerImplPocket::MenuManagerImplPocket(FormImpl& window, bool with_ok)
    : MenuManagerImplBar(window)
    , m_with_ok(with_ok)
{
}

MenuManagerImplPocket::~MenuManagerImplPocket()
{
    if (m_bar_id == 0)
        return;
    os::log() << u"~MenuManagerImplPocket() returning id " << m_bar_id << u"\n";
    give_back(m_with_ok, m_bar_id);
}

std::vector<MenuManagerImplBar::Key> MenuManagerImplPocket::make_keys()
{
    std::vector<Key> keys;
    ShellHooks& hooks = window().shell_hooks();
    Form* owner = form();
    if (m_with_ok) {
        for (std::u16string_view tag : {s_soft_key_ok, s_soft_key_menu})
            keys.push_back([&hooks, owner, tag] { return MenuManager::soft_key(hooks, owner, tag); });
    }
    for (MenuManager::Item* item : hooks.menu_items()) {
        if (!item->is_visible() || (m_with_ok && is_soft_key_tag(item->soft_key())))
            continue;
        // The item may be gone by the time the key is chosen: it is looked up again then.
        keys.push_back([&hooks, item] {
            const std::vector<MenuManager::Item*>& items = hooks.menu_items();
            if (std::find(items.begin(), items.end(), item) == items.end())
                return gone();
            return MenuManager::describe(*item);
        });
    }
    for (const ShellHooks::SoftKeyItem& soft : hooks.soft_key_items()) {
        ControlButton* button = soft.button;
        if (!button->is_visible() || (m_with_ok && is_soft_key_tag(soft.tag)))
            continue;
        keys.push_back([&hooks, button] {
            for (const ShellHooks::SoftKeyItem& still : hooks.soft_key_items()) {
                if (still.button == button)
                    return MenuManager::describe(*button);
            }
            return gone();
        });
    }
    return keys;
}

std::shared_ptr<const os::Surface> MenuManagerImplPocket::key_image(const MenuEntry& key)
{
    if (key.image_index < 0)
        return nullptr;
    Form* owner = form();
    Properties* skin = owner ? owner->properties() : nullptr;
    Picture strip = skin ? skin->get_form_picture(owner->form_name(), u"MenuImages", Picture()) : Picture();
    int32_t side = strip.size().height;
    if (!strip.has_image() || side <= 0 || (int64_t(key.image_index) + 1) * side > strip.size().width) {
        os::log() << u"ERROR: Toolbar image failed to load\n";
        return nullptr;
    }
    // The square of the index, as a frame of its own without borders.
    NinePartFrame frame = strip.frame();
    int32_t left = frame.left + key.image_index * side;
    Picture square = strip;
    square.set_left_top({left, frame.top});
    square.set_inner_left_top({left, frame.top});
    square.set_inner_right_bottom({left + side, frame.top + side});
    square.set_right_bottom({left + side, frame.top + side});
    square.set_stretch(true);
    int32_t shown = std::min(side, std::max(0, window().window().screen().bar_height() - 4));
    auto image = std::make_shared<os::Surface>(shown, shown, os::s_bottom_bar_color);
    Canvas canvas(*image);
    square.draw(canvas, {0, 0}, {shown, shown});
    return image;
}

void MenuManagerImplPocket::on_rebuilt(size_t keys)
{
    Form* owner = form();
    if (keys > 0 && m_bar_id == 0 && owner && owner->menu_main())
        m_bar_id = take_id(m_with_ok);
}

} // namespace skinner
