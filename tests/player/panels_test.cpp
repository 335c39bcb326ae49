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
    // (The volume keys and the step buttons: the main form's test; clamping: the progress bar's.)
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
    // A key holds its step button until it is released or the focus goes: one step (a twentieth) either way.
    player::PanelPosition& steps = panel.position();
    position.set_value(0.5);
    EXPECT_TRUE(steps.on_key_down(skinner::KeyRight) && steps.on_key_down(skinner::KeyRight));
    EXPECT_EQ(steps.step_right().state(), skinner::StatePressed);
    EXPECT_DOUBLE_EQ(position.value(), 0.5);
    EXPECT_TRUE(steps.on_key_up(skinner::KeyRight) && steps.step_right().state() == skinner::StateNormal);
    EXPECT_DOUBLE_EQ(position.value(), 0.55);
    EXPECT_TRUE(steps.on_key_up(skinner::KeyRight));
    EXPECT_DOUBLE_EQ(position.value(), 0.55);
    EXPECT_TRUE(steps.on_key_down(skinner::KeyLeft));
    steps.on_focus_lost();
    EXPECT_EQ((std::tuple {steps.step_left().is_held(), position.value()}), (std::tuple {false, 0.5}));
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
