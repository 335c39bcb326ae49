// The media keys (a keyboard's, or a gamepad's buttons for them) reaching the main form on the
// headless screen.

#include "player_run.h"

#include "os/keys.h"
#include "os/screen/headless_screen.h"
#include "player/form_main.h"
#include "skinner/device_capability.h"
#include "skinner/properties.h"

#include <gtest/gtest.h>

#include <memory>

TEST(MediaKeys, play_pause_track_volume_and_stop_keys_drive_the_main_form)
{
    ::setenv("MELODECK_AUDIO", "null", 1);
    os::set_platform_kind(os::PlatformKind::pocket_pc);
    skinner::forget_static_capabilities();
    test::TempDir music;
    for (const char* name : {"a.wav", "b.wav"})
        test::write_tone(music.path() / name, 3);
    os::HeadlessScreen screen({480, 640});
    std::filesystem::path app = MELODECK_APP_DIR;
    skinner::Properties skin(test::u16(app / "skins/default/default.skin"), {480, 640});
    auto form = std::make_unique<player::FormMain>(nullptr, &skin);
    form->impl().window().show(os::ShowMode::show);
    if (form->playlist().random())
        form->on_command(u"Random");
    form->open_folder(test::u16(music.path()));
    form->files().select_path(music.file("a.wav"));
    screen.dispatch_pending();
    auto press = [&](uint32_t key) {
        screen.key(key);
        screen.dispatch_pending();
    };

    // Track keys do nothing while nothing plays; play starts what the play soft key would.
    press(os::VK_MEDIA_NEXT_TRACK);
    EXPECT_FALSE(form->is_playing());
    press(os::VK_MEDIA_PLAY_PAUSE);
    ASSERT_TRUE(form->is_playing());
    EXPECT_EQ(form->playlist().current_path(), music.file("a.wav"));
    press(os::VK_MEDIA_PLAY_PAUSE);
    EXPECT_TRUE(form->is_paused());
    press(os::VK_MEDIA_PLAY_PAUSE);
    EXPECT_FALSE(form->is_paused());
    press(os::VK_MEDIA_NEXT_TRACK);
    EXPECT_EQ(form->playlist().current_path(), music.file("b.wav"));
    press(os::VK_MEDIA_PREV_TRACK);
    EXPECT_EQ(form->playlist().current_path(), music.file("a.wav"));

    form->panel().levels().volume().set_value(0.5);
    press(os::VK_VOLUME_UP);
    // A held key repeats the volume step.
    screen.input_key(os::VK_VOLUME_UP, true);
    screen.input_key(os::VK_VOLUME_UP, true, true);
    screen.input_key(os::VK_VOLUME_UP, false);
    screen.dispatch_pending();
    EXPECT_NEAR(form->volume(), 0.65, 1e-9);
    EXPECT_NEAR(form->player().get_volume(), form->volume(), 0.01);
    press(os::VK_VOLUME_DOWN);
    EXPECT_NEAR(form->volume(), 0.6, 1e-9);

    press(os::VK_MEDIA_STOP);
    EXPECT_FALSE(form->is_playing());
    form.reset();
    ::unsetenv("MELODECK_AUDIO");
}
