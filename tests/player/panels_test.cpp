// The play panel and its three panels on the headless screen with the default skin: keys, step
// buttons and drags turned into value changes and commands that reach the form.

#include "player/panel_play.h"

#include "player_form_support.h"
#include "skinner/key_codes.h"

#include <gtest/gtest.h>

using player::PanelPlay;

namespace {

struct Play : test::SkinnedForm {
    Play()
        : panel(form)
    {
        panel.set_visible(true);
        show();
    }

    skinner::ControlProgress& volume() { return panel.levels().volume(); }
    skinner::ControlProgress& position() { return panel.position().position(); }
    skinner::Point centre(const skinner::Control& control) const
    {
        const skinner::Rect& rect = control.rect();
        return {rect.left() + rect.size.width / 2, rect.top() + rect.size.height / 2};
    }

    PanelPlay panel;
};

} // namespace

TEST(Panels, left_and_right_step_the_volume_within_its_range_and_the_change_reaches_the_form)
{
    Play play;
    // (start, key, value after, whether the form hears of a change)
    struct Case {
        double start;
        int32_t key;
        double after;
        bool changed;
    };
    for (const Case& c : {Case {0.02, skinner::KeyLeft, 0.0, true}, Case {0.5, skinner::KeyRight, 0.55, true},
             Case {1.0, skinner::KeyRight, 1.0, false}, Case {0.0, skinner::KeyLeft, 0.0, false}}) {
        play.volume().set_value(c.start);
        play.recorder.log.clear();
        EXPECT_TRUE(play.panel.levels().on_key_down(c.key));
        EXPECT_DOUBLE_EQ(play.volume().value(), c.after) << c.start;
        EXPECT_EQ(play.recorder.log,
            c.changed ? std::vector<std::string> {"changed pbVolume"} : std::vector<std::string> {})
            << c.start;
    }
    EXPECT_FALSE(play.panel.levels().on_key_down(skinner::KeySpace));
    EXPECT_TRUE(play.panel.levels().volume_check().visible_flag());
    EXPECT_FALSE(play.panel.levels().vas_check().visible_flag());
}

TEST(Panels, a_drag_sets_the_volume_and_the_position)
{
    Play play;
    for (skinner::ControlProgress* bar : {&play.volume(), &play.position()}) {
        skinner::Point near_start {bar->rect().left() + 1, bar->rect().top() + 1};
        double dragged = bar->value_at(near_start);
        bar->set_value(dragged < 0.5 ? 0.75 : 0.25);
        play.recorder.log.clear();
        play.tap(near_start);
        EXPECT_DOUBLE_EQ(bar->value(), dragged) << liba::to_utf8(bar->name());
        EXPECT_EQ(play.recorder.log, (std::vector<std::string> {"changed " + liba::to_utf8(bar->name())}));
    }
}

TEST(Panels, the_step_buttons_move_the_position_by_a_twentieth)
{
    Play play;
    struct Case {
        double start;
        bool right;
        double after;
    };
    for (const Case& c : {Case {0.98, true, 1.0}, Case {0.5, false, 0.45}, Case {0.03, false, 0.0}}) {
        play.position().set_value(c.start);
        play.recorder.log.clear();
        skinner::ControlButton& button
            = c.right ? play.panel.position().step_right() : play.panel.position().step_left();
        play.tap(play.centre(button));
        EXPECT_DOUBLE_EQ(play.position().value(), c.after) << c.start;
        EXPECT_EQ(play.recorder.log, (std::vector<std::string> {"changed pbPosition"}));
    }
}

TEST(Panels, a_key_holds_its_step_button_until_it_is_released_or_the_focus_goes)
{
    Play play;
    player::PanelPosition& panel = play.panel.position();
    play.position().set_value(0.5);
    EXPECT_TRUE(panel.on_key_down(skinner::KeyRight));
    EXPECT_TRUE(panel.on_key_down(skinner::KeyRight));
    EXPECT_EQ(panel.step_right().state(), skinner::StatePressed);
    EXPECT_DOUBLE_EQ(play.position().value(), 0.5);
    EXPECT_TRUE(panel.on_key_up(skinner::KeyRight));
    EXPECT_EQ(panel.step_right().state(), skinner::StateNormal);
    EXPECT_DOUBLE_EQ(play.position().value(), 0.55);
    EXPECT_TRUE(panel.on_key_up(skinner::KeyRight));
    EXPECT_DOUBLE_EQ(play.position().value(), 0.55);

    EXPECT_TRUE(panel.on_key_down(skinner::KeyLeft));
    panel.on_focus_lost();
    EXPECT_FALSE(panel.step_left().is_held());
    EXPECT_DOUBLE_EQ(play.position().value(), 0.5);
    panel.on_focus_lost();
    EXPECT_DOUBLE_EQ(play.position().value(), 0.5);
    EXPECT_FALSE(panel.on_key_down(skinner::KeyUp));
}

TEST(Panels, the_display_panel_turns_left_and_right_into_prev_and_next)
{
    Play play;
    EXPECT_TRUE(play.panel.display().on_key_down(skinner::KeyLeft));
    EXPECT_TRUE(play.panel.display().on_key_down(skinner::KeyRight));
    EXPECT_FALSE(play.panel.display().on_key_down(skinner::KeyEnter));
    EXPECT_EQ(play.recorder.commands(), (std::vector<std::string> {"Prev", "Next"}));
}
