// The play panel's three panels: keys, step buttons and drags as the changes and commands the form hears.

#include "player/panel_play.h"

#include "player_run.h"
#include "skinner/key_codes.h"

using Log = std::vector<std::string>;

TEST(Panels, keys_taps_and_drags_move_the_bars_and_reach_the_form)
{
    test::SkinnedForm play;
    player::PanelPlay panel(play.form);
    panel.set_visible(true);
    play.show();
    skinner::ControlProgress& volume = panel.levels().volume();
    skinner::ControlProgress& position = panel.position().position();
    // Left and right step the volume within its range; the form hears of real changes only.
    for (auto [start, key, after, changed] : {std::tuple {0.5, skinner::KeyRight, 0.55, true},
             {1.0, skinner::KeyRight, 1.0, false}, {0.0, skinner::KeyLeft, 0.0, false}}) {
        volume.set_value(start);
        play.log.clear();
        EXPECT_TRUE(panel.levels().on_key_down(key));
        EXPECT_DOUBLE_EQ(volume.value(), after) << start;
        EXPECT_EQ(play.log, changed ? Log {"changed pbVolume"} : Log {}) << start;
    }
    EXPECT_FALSE(panel.levels().on_key_down(skinner::KeySpace));
    EXPECT_TRUE(panel.levels().volume_check().visible_flag() && !panel.levels().vas_check().visible_flag());
    // A drag sets the bar it starts on.
    for (skinner::ControlProgress* bar : {&volume, &position}) {
        skinner::Point near_start {bar->rect().left() + 1, bar->rect().top() + 1};
        double dragged = bar->value_at(near_start);
        bar->set_value(dragged < 0.5 ? 0.75 : 0.25);
        play.log.clear();
        play.tap(near_start);
        EXPECT_DOUBLE_EQ(bar->value(), dragged) << liba::to_utf8(bar->name());
        EXPECT_EQ(play.log, Log {"changed " + liba::to_utf8(bar->name())});
    }
    // The step buttons move the position by a twentieth.
    for (auto [start, right, after] :
        {std::tuple {0.98, true, 1.0}, {0.5, false, 0.45}, {0.03, false, 0.0}}) {
        position.set_value(start);
        play.log.clear();
        const skinner::Rect& rect
            = (right ? panel.position().step_right() : panel.position().step_left()).rect();
        play.tap({rect.left() + rect.size.width / 2, rect.top() + rect.size.height / 2});
        EXPECT_DOUBLE_EQ(position.value(), after) << start;
        EXPECT_EQ(play.log, Log {"changed pbPosition"});
    }
    // A key holds its step button until it is released or the focus goes: one step either way.
    player::PanelPosition& steps = panel.position();
    position.set_value(0.5);
    EXPECT_TRUE(steps.on_key_down(skinner::KeyRight) && steps.on_key_down(skinner::KeyRight));
    EXPECT_EQ(steps.step_right().state(), skinner::StatePressed);
    EXPECT_DOUBLE_EQ(position.value(), 0.5);
    EXPECT_TRUE(steps.on_key_up(skinner::KeyRight));
    EXPECT_EQ(steps.step_right().state(), skinner::StateNormal);
    EXPECT_DOUBLE_EQ(position.value(), 0.55);
    EXPECT_TRUE(steps.on_key_up(skinner::KeyRight));
    EXPECT_DOUBLE_EQ(position.value(), 0.55);
    EXPECT_TRUE(steps.on_key_down(skinner::KeyLeft));
    steps.on_focus_lost();
    EXPECT_FALSE(steps.step_left().is_held());
    EXPECT_DOUBLE_EQ(position.value(), 0.5);
    steps.on_focus_lost();
    EXPECT_DOUBLE_EQ(position.value(), 0.5);
    EXPECT_FALSE(steps.on_key_down(skinner::KeyUp));
    // The display panel turns left and right into Prev and Next.
    play.log.clear();
    EXPECT_TRUE(
        panel.display().on_key_down(skinner::KeyLeft) && panel.display().on_key_down(skinner::KeyRight));
    EXPECT_FALSE(panel.display().on_key_down(skinner::KeyEnter));
    EXPECT_EQ(play.commands(), (Log {"Prev", "Next"}));
}
