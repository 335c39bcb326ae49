#include "fake_form_events.h"

#include "os/keys.h"
#include "os/shell.h"
#include "skinner/control.h"
#include "skinner/control_menu_main.h"
#include "skinner/menu_command_table.h"
#include "skinner/menu_main_button.h"
#include "skinner/menu_manager_impl_pocket.h"
#include "skinner/menu_popup.h"
#include "skinner/popup_menu.h"

#include <gtest/gtest.h>

using namespace skinner;
using Device = test::FormsDevice;
using test::show;

namespace {

MenuEntry entry(const char16_t* id, const char16_t* text)
{
    MenuEntry result;
    result.id = id;
    result.text = text;
    return result;
}

// The form's side: fills the "menuFile" popup (Save greyed) and writes down what reaches it.
struct MenuListener : Listener {
    int32_t on_menu(MenuEntry& menu) override
    {
        ++asked;
        if (menu.id == u"menuFile") {
            MenuEntry recent = entry(u"menuRecent", u"Recent");
            recent.children = {entry(u"cmdRecent1", u"one.mp3"), entry(u"cmdRecent2", u"two.mp3")};
            menu.children = {
                entry(u"cmdOpen", u"Open"), entry(u"cmdSave", u"Save"), recent, entry(u"cmdQuit", u"Quit")};
            menu.children[0].shortcut = u"Ctrl+O";
            menu.children[1].enabled = false;
            menu.children[1].separator_after = true;
        }
        return 0;
    }
    int32_t on_command(std::u16string_view command) override
    {
        commands.push_back(test::narrow(command));
        return 0;
    }

    int asked = 0;
    std::vector<std::string> commands;
};

template<class Item> std::vector<std::string> texts_of(const std::vector<Item>& items)
{
    std::vector<std::string> texts;
    for (const Item& item : items)
        texts.push_back(test::narrow(item.text));
    return texts;
}

// The pick menu of a list row: a greyed entry, a check with a separator and a submenu.
std::vector<MenuEntry> pick_entries()
{
    std::vector<MenuEntry> entries {entry(u"PlaySingle", u"Play single"), entry(u"Skipped", u"Greyed"),
        entry(u"Play", u"Play folder"), entry(u"More", u"More"), entry(u"Cancel", u"Cancel")};
    entries[1].enabled = false;
    entries[2].checked = true;
    entries[2].separator_after = true;
    entries[3].children = {entry(u"PlayAudiobook", u"Audiobook"), entry(u"PlaySubfolder", u"Subfolders")};
    return entries;
}

// Opens a popup and runs one step per idle moment in it; then the screen quits any popup left open.
void in_popup(
    os::HeadlessScreen& screen, std::vector<std::function<void()>> steps, const std::function<void()>& open)
{
    test::script(screen, std::move(steps));
    open();
    screen.set_idle_handler(nullptr);
}

std::vector<uint32_t> bottom_bar_pixels(os::HeadlessScreen& screen)
{
    const os::Surface& frame = screen.frame();
    os::Rect bar = os::Shell::bottom_bar(screen.size(), screen.bar_height());
    std::vector<uint32_t> pixels;
    for (int32_t y = bar.top(); y < bar.bottom(); ++y)
        pixels.insert(pixels.end(), frame.row(y) + bar.left(), frame.row(y) + bar.right());
    return pixels;
}

// A Pocket PC form with a main menu: a "File" submenu on the right soft key.
struct PocketMenu {
    PocketMenu()
        : device({240, 320}, os::PlatformKind::pocket_pc)
        , form(nullptr, &device.skin, u"FormMain", &listener)
        , menu(form)
        , file(form, u"menuFile", u"File", s_soft_key_menu)
    {
        show(form);
    }

    Device device;
    MenuListener listener;
    Form form;
    ControlMenuMain menu;
    MenuMainSubMenu file;
};

// What a script saw: the rows noted; whether the bottom bar lost the form's soft keys (window or pixels).
struct Seen {
    std::vector<uint32_t> bar;
    std::vector<int32_t> rows;
    bool bar_lost = false;
};

// One step of a script: d u l r arrows, e Enter, x Escape, 0-9 tap that row, ! a release without a
// press on the selected row, o tap the screen's corner, O tap low in the form, ? note the row selected
// in the innermost popup, b compare the bottom bar.
void step(os::HeadlessScreen& screen, const os::Window& form, char c, Seen& seen)
{
    const std::string_view keys = "dulrex";
    const uint32_t codes[]
        = {os::VK_DOWN, os::VK_UP, os::VK_LEFT, os::VK_RIGHT, os::VK_RETURN, os::VK_ESCAPE};
    if (size_t k = keys.find(c); k != keys.npos)
        return screen.key(codes[k]);
    if (c == 'o' || c == 'O')
        return screen.tap({2, c == 'o' ? 2 : form.rect().bottom() - 2});
    if (c == 'b') {
        seen.bar_lost |= screen.bar_window() != &form || bottom_bar_pixels(screen) != seen.bar;
        return;
    }
    const MenuPopup& popup = *MenuPopup::innermost();
    if (c == '?')
        return seen.rows.push_back(popup.selected());
    os::Rect cell = popup.current_layout().rows[size_t(c == '!' ? popup.selected() : c - '0')];
    os::Rect box = popup.current_layout().box;
    os::Point point {box.left() + cell.left() + 4, box.top() + cell.top() + 2};
    if (c == '!')
        screen.release(point);
    else
        screen.tap(point);
}

} // namespace

TEST(Menu, the_bar_asks_its_popup_each_time_and_keys_and_taps_choose_in_it_and_in_pick_menus)
{
    PocketMenu pocket;
    os::HeadlessScreen& screen = pocket.device.screen;
    os::Window& window = pocket.form.impl().window();
    Control owner(pocket.form, u"row", LookupMode::none);
    os::Rect form = window.rect();
    os::Rect work = screen.work_area();
    // The OK variant: both soft keys first, the left one without entries showing the skin's text.
    EXPECT_EQ(texts_of(std::as_const(pocket.form).impl().window().bar_items()),
        (std::vector<std::string> {"Done", "File"}));
    MenuManagerImplBar& manager = dynamic_cast<MenuManagerImplBar&>(*pocket.form.impl().menu_manager());
    int asked = pocket.listener.asked;
    struct Case {
        Point at; // the pick menu of a row at this point, or (-1, -1): the bar's "File" popup
        std::string_view script;
        std::vector<int32_t> rows;
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        // Greyed Save is skipped, Up wraps, Right enters the submenu and Left leaves it.
        {{-1, -1}, "?d?u?u?dd?rb?l?rd?e", {0, 2, 0, 3, 2, 0, 2, 1}, {"cmdRecent2"}},
        {{-1, -1}, "13", {}, {"cmdQuit"}}, {{-1, -1}, "o", {}, {}}, {{30, 40}, "2", {}, {"Play"}},
        {{30, 40}, "uurde", {}, {"PlaySubfolder"}},
        {{30, 40}, "1d!x", {}, {}}, // a release whose press went to a greyed row chooses nothing
        {{30, 40}, "O", {}, {}},
        {{form.size.width - 5, form.size.height - 5}, "x", {}, {}}, // kept inside the work area
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        pocket.listener.commands.clear();
        Seen seen;
        seen.bar = bottom_bar_pixels(screen);
        os::Rect box;
        uint32_t corner = 0;
        std::vector<std::string> texts;
        std::vector<std::function<void()>> script {[&] {
            box = MenuPopup::innermost()->current_layout().box;
            corner = screen.frame().row(box.top())[box.left()];
            texts = texts_of(manager.popup());
        }};
        for (char k : c.script)
            script.push_back([&, k] { step(screen, window, k, seen); });
        if (c.at.x >= 0) {
            in_popup(screen, std::move(script), [&] { popup_menu(owner, c.at, pick_entries()); });
            os::Point kept {work.right() - box.size.width, work.bottom() - box.size.height};
            EXPECT_EQ(box.position, (c.at.x == 30 ? os::Point {form.left() + 30, form.top() + 40} : kept));
        } else {
            in_popup(screen, std::move(script), [&] {
                screen.key(os::VK_F2);
                screen.dispatch_pending();
            });
            EXPECT_EQ(texts, (std::vector<std::string> {"Open", "Save", "Recent", "Quit"}));
            EXPECT_LE(box.bottom(), work.bottom()) << "opened upward from the bar";
            // The keys and the popup's four commands (the submenu's two included), nothing left over.
            EXPECT_EQ(manager.command_table().size(), 2u + 5u);
        }
        EXPECT_EQ(corner, os::rgb(0x12, 0x2A, 0x60)) << "the popup's border";
        EXPECT_EQ(seen.rows, c.rows);
        EXPECT_FALSE(seen.bar_lost) << "the bar keeps the form's soft keys while its menus are open";
        EXPECT_EQ(pocket.listener.commands, c.commands);
        EXPECT_EQ(MenuPopup::innermost(), nullptr);
        EXPECT_FALSE(screen.quitting());
        EXPECT_TRUE(window.is_active()) << "the form has its keys back";
    }
    EXPECT_EQ(pocket.listener.asked, asked + 3) << "asked anew each time it opens";
    auto doomed = std::make_unique<Control>(pocket.form, u"doomed", LookupMode::none);
    in_popup(screen, {[&] { doomed.reset(); }, [&] { screen.key(os::VK_RETURN); }}, [&] {
        popup_menu(*doomed, {10, 10}, pick_entries());
    });
    EXPECT_TRUE(pocket.listener.commands.empty()) << "an owner gone meanwhile hears nothing";
}

TEST(MenuCommandTable, a_command_whose_owner_or_form_was_destroyed_reaches_nobody)
{
    PocketMenu pocket;
    MenuCommandTable table;
    auto owner = std::make_unique<Control>(pocket.form, u"owner", LookupMode::none);
    uint32_t gone = table.add(u"cmdGone", owner.get());
    EXPECT_EQ(table.find(gone)->owner, owner.get());
    // A command chosen just before its control went away must not reach the freed control.
    owner.reset();
    ASSERT_TRUE(table.find(gone));
    EXPECT_EQ(table.find(gone)->owner, nullptr);
    EXPECT_EQ(table.find(gone)->id, u"cmdGone");
    // A row set again for a live control has its owner back.
    Control next(pocket.form, u"next", LookupMode::none);
    table.set(gone, u"cmdNext", &next);
    EXPECT_EQ(table.find(gone)->owner, &next);
    table.set(s_first_menu_command - 1, u"below", nullptr);
    table.set(s_first_menu_command + 1, u"past", nullptr);
    EXPECT_EQ(table.size(), 1u) << "rows outside the table are not set";
    // Commands outside the manager's table are not the manager's.
    MenuManagerImpl& manager = *pocket.form.impl().menu_manager();
    for (uintptr_t command :
        {uintptr_t(0), uintptr_t(99), uintptr_t(s_first_menu_command + 2), uintptr_t(0xFFFF)}) {
        os::WindowMessage message;
        message.id = WM_COMMAND;
        message.wparam = command;
        EXPECT_FALSE(manager.on_command(message)) << command;
        message.id = WM_INITMENUPOPUP;
        EXPECT_FALSE(manager.on_popup_init(message)) << command;
    }

    // A key chosen just before its form goes finds nothing.
    Device device({240, 320}, os::PlatformKind::pocket_pc);
    MenuListener listener;
    // The shell posts a copy of the item's choice; here the copy is kept by hand.
    std::function<void(const os::Rect&)> posted;
    {
        Form form(nullptr, &device.skin, u"FormMain", &listener);
        ControlMenuMain menu(form);
        MenuMainButton play(form, u"cmdPlay", u"Play");
        show(form);
        ASSERT_EQ(form.impl().window().bar_items().size(), 3u);
        form.impl().window().bar_items()[2].on_choose({{160, 294}, {80, 26}});
        EXPECT_EQ(listener.commands, (std::vector<std::string> {"cmdPlay"}));
        posted = form.impl().window().bar_items()[2].on_choose;
    }
    posted({{160, 294}, {80, 26}});
    EXPECT_EQ(listener.commands.size(), 1u);
}

TEST(MenuSmartphone, back_not_taken_by_the_form_sends_it_to_the_background_until_started_again)
{
    Device device({176, 220}, os::PlatformKind::smartphone);
    test::KeyForm form(device.skin);
    show(form);
    os::Window& window = form.impl().window();
    os::HeadlessScreen& screen = device.screen;
    form.handles_escape = true;
    screen.key(os::VK_ESCAPE);
    screen.dispatch_pending();
    EXPECT_TRUE(window.is_visible()) << "the form took Back";
    form.handles_escape = false;
    screen.key_down(os::VK_ESCAPE);
    screen.dispatch_pending();
    EXPECT_TRUE(window.is_visible()) << "the program goes when Back is released";
    screen.key_up(os::VK_ESCAPE);
    screen.dispatch_pending();
    EXPECT_TRUE(window.is_minimized() && !window.is_visible());
    EXPECT_EQ(screen.active_window(), nullptr);
    // Started again: the second copy's command line brings the form back to the front.
    screen.copy_data(FormImpl::window_class_name(), 0, {'m', 0});
    test::deliver(screen);
    EXPECT_TRUE(window.is_visible() && window.is_active());
    EXPECT_EQ(form.command_lines, (std::vector<std::string> {"m"}));
}

TEST(Menu, a_bar_button_with_an_image_index_shows_its_square_of_the_forms_strip)
{
    PocketMenu pocket;
    os::HeadlessScreen& screen = pocket.device.screen;
    MenuMainButton play(pocket.form, u"cmdPlay", u"Play");
    play.set_image_index(1);
    MenuMainButton stop(pocket.form, u"cmdStop", u"Stop");
    stop.set_image_index(2); // beyond the strip of two: the text
    pocket.form.impl().window().send(os::WM_KEYUP, os::VK_SPACE);
    const std::vector<os::BarItem>& items = pocket.form.impl().window().bar_items();
    ASSERT_EQ(items.size(), 4u);
    ASSERT_TRUE(!items[1].image && items[2].image && !items[3].image);

    std::vector<os::Rect> cells = os::Shell::item_rects(screen.size(), screen.bar_height(), screen.kind(), 4);
    const os::Surface& frame = screen.frame();
    // "back" is the ramp (32x, 32y, 0x40); the strip's second 4-pixel square starts at x = 4.
    os::Rect picture {
        {cells[2].left() + (cells[2].size.width - 4) / 2, cells[2].top() + (cells[2].size.height - 4) / 2},
        {4, 4}};
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(frame.at(picture.left() + x, picture.top() + y),
                os::rgb(uint8_t((4 + x) * 32), uint8_t(y * 32), 0x40))
                << x << "," << y;
    screen.tap(picture.position);
    screen.dispatch_pending();
    EXPECT_EQ(pocket.listener.commands, (std::vector<std::string> {"cmdPlay"}));
}
