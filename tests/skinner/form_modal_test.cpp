// Modal loops of form windows on the headless screen: nesting, disabled owners, refusals to close
// and the end of the run. Idle handlers play the user: each time the loop runs dry they take the
// next step of a script.

#include "fake_form_events.h"

#include "os/screen/headless_screen.h"
#include "skinner/menu_manager_impl.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace skinner;
using test::FakeForm;

namespace {

void show(FakeForm& form, os::Size size)
{
    form.placement.size = size;
    form.impl.place();
    form.impl.window().show(os::ShowMode::show);
}

// Runs one step per idle moment; after the last the run is over (the screen quits).
class Script {
public:
    Script(os::HeadlessScreen& screen, std::vector<std::function<void()>> steps)
        : m_steps(std::move(steps))
    {
        screen.set_idle_handler([this] {
            if (m_next == m_steps.size())
                return false;
            m_steps[m_next++]();
            return true;
        });
    }
    size_t done() const { return m_next; }

private:
    std::vector<std::function<void()>> m_steps;
    size_t m_next = 0;
};

class RebuildCounter : public MenuManagerImpl {
public:
    explicit RebuildCounter(int& rebuilds)
        : m_rebuilds(rebuilds)
    {
    }
    bool on_command(const os::WindowMessage&) override { return false; }
    bool on_popup_init(const os::WindowMessage&) override { return false; }
    void rebuild() override { ++m_rebuilds; }
    void show() override { }
    void mark_dirty() override { }
    void refresh() override { }

private:
    int& m_rebuilds;
};

} // namespace

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
    int parent_rebuilds = 0;
    parent.impl.set_menu_manager(std::make_unique<RebuildCounter>(parent_rebuilds));

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
        EXPECT_EQ(parent_rebuilds, 1) << "the parent's bar is registered again";
    });
    Script script(screen,
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
    // do_modal activates the form, then deactivates it at the end.
    EXPECT_EQ(child.calls.front(), "size 200x100");
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
    Script script(screen, {[&] {
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
    Script script(screen, {});
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
    Script script(screen, {[&] { form.impl.close(); }});
    EXPECT_TRUE(form.impl.do_modal());
    EXPECT_FALSE(again);
}
