#include "fake_form_events.h"

#include "os/screen/headless_screen.h"
#include "skinner/menu_manager_impl.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace skinner;
using test::FakeForm;
using test::show;

TEST(FormModal, a_modal_child_disables_the_other_forms_and_closing_it_brings_the_parent_back)
{
    os::HeadlessScreen screen({240, 320});
    FakeForm parent;
    show(parent, {240, 268});
    FakeForm bystander;
    show(bystander, {100, 100});
    FakeForm already_disabled;
    show(already_disabled, {50, 50});
    already_disabled.impl.window().enable(false);
    FakeForm popup(&parent, FormWindowKind::popup);
    FakeForm child(&parent);
    child.placement.size = {200, 100};
    child.placement.start_position = 2;
    child.placement.parent = parent.impl.window().rect();
    child.impl.place();
    auto menu = std::make_unique<test::RecordingMenu>();
    std::vector<std::string>& parent_menu = menu->seen;
    parent.impl.set_menu_manager(std::move(menu));

    std::vector<std::string> seen;
    bool child_ended = false;
    parent.impl.window().post(os::WM_USER + 9);
    screen.post_callback([&] {
        seen.push_back("child starts");
        child_ended = child.impl.do_modal();
        seen.push_back("child ended");
        EXPECT_TRUE(parent.impl.window().is_enabled());
        EXPECT_TRUE(bystander.impl.window().is_enabled());
        EXPECT_FALSE(already_disabled.impl.window().is_enabled())
            << "only what the child disabled comes back";
        EXPECT_FALSE(child.impl.window().is_visible());
        EXPECT_EQ(screen.active_window(), &parent.impl.window());
        const std::vector<os::Window*>& order = screen.windows();
        auto parent_at = std::find(order.begin(), order.end(), &parent.impl.window());
        auto bystander_at = std::find(order.begin(), order.end(), &bystander.impl.window());
        EXPECT_GT(parent_at, bystander_at) << "the parent came to the front";
        EXPECT_EQ(FormImpl::modal(), &parent.impl);
        EXPECT_EQ(std::count(parent_menu.begin(), parent_menu.end(), "rebuild"), 1)
            << "the parent's bar is registered again";
    });
    test::script(screen,
        {[&] {
             EXPECT_EQ(FormImpl::modal(), &child.impl);
             EXPECT_TRUE(child.impl.is_modal());
             EXPECT_TRUE(parent.impl.is_modal());
             EXPECT_TRUE(child.impl.window().is_visible());
             EXPECT_TRUE(child.impl.window().is_enabled());
             EXPECT_FALSE(parent.impl.window().is_enabled());
             EXPECT_FALSE(bystander.impl.window().is_enabled());
             EXPECT_TRUE(popup.impl.window().is_enabled()) << "popups stay usable";
             EXPECT_EQ(screen.active_window(), &child.impl.window());
             seen.push_back("closing child");
             child.impl.close();
         },
            [&] {
                seen.push_back("closing parent");
                parent.impl.close();
            }});
    EXPECT_TRUE(parent.impl.do_modal());
    EXPECT_EQ(
        seen, (std::vector<std::string> {"child starts", "closing child", "child ended", "closing parent"}));
    EXPECT_TRUE(child_ended);
    EXPECT_EQ(FormImpl::modal(), nullptr);
    EXPECT_FALSE(parent.impl.is_modal());
    EXPECT_FALSE(parent.impl.window().is_visible());
    EXPECT_FALSE(screen.quitting());
    EXPECT_EQ(child.calls.back(), "deactivate");
}

TEST(FormModal, the_outer_form_closed_first_waits_for_the_inner_loop)
{
    os::HeadlessScreen screen({240, 320});
    FakeForm parent;
    show(parent, {240, 268});
    FakeForm child(&parent);
    std::vector<std::string> seen;
    screen.post_callback([&] {
        child.placement.size = {100, 100};
        child.impl.place();
        bool ended = child.impl.do_modal();
        seen.push_back(ended ? "child ended" : "child quit");
    });
    test::script(screen, {[&] {
        // The parent is disabled, so its close comes straight from code, then the child's.
        parent.impl.close();
        child.impl.close();
    }});
    bool ended = parent.impl.do_modal();
    seen.push_back(ended ? "parent ended" : "parent quit");
    EXPECT_EQ(seen, (std::vector<std::string> {"child ended", "parent ended"}));
    EXPECT_FALSE(screen.quitting());
}

TEST(FormModal, quitting_ends_every_loop_and_says_so)
{
    os::HeadlessScreen screen({240, 320});
    FakeForm parent;
    show(parent, {240, 268});
    FakeForm child(&parent);
    std::vector<std::string> seen;
    screen.post_callback([&] {
        child.placement.size = {100, 100};
        child.impl.place();
        seen.push_back(child.impl.do_modal() ? "child ended" : "child quit");
        EXPECT_TRUE(parent.impl.window().is_enabled()) << "a quit still re-enables";
    });
    test::script(screen, {});
    seen.push_back(parent.impl.do_modal() ? "parent ended" : "parent quit");
    EXPECT_EQ(seen, (std::vector<std::string> {"child quit", "parent quit"}));
    EXPECT_EQ(FormImpl::modal(), nullptr);
}

TEST(FormModal, a_form_already_in_its_loop_does_not_start_another)
{
    os::HeadlessScreen screen({240, 320});
    FakeForm form;
    show(form, {240, 268});
    bool again = true;
    screen.post_callback([&] { again = form.impl.do_modal(); });
    test::script(screen, {[&] { form.impl.close(); }});
    EXPECT_TRUE(form.impl.do_modal());
    EXPECT_FALSE(again);
}
