#pragma once

// What the browser and panel suites share: the headless screen with the shipped default skin
// loaded for it, a form "FormMain" whose listener writes down the notifications reaching it, and
// taps at window points of that form.

#include "liba/text.h"
#include "os/platform.h"
#include "os/screen/headless_screen.h"
#include "os/window.h"
#include "skinner/control.h"
#include "skinner/device_capability.h"
#include "skinner/form.h"
#include "skinner/listener.h"
#include "skinner/properties.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace test {

inline std::u16string default_skin_path()
{
    return liba::from_utf8(std::string(MELODECK_APP_DIR) + "/skins/default/default.skin");
}

// What a main form needs around it in the suites: the null sound backend, a Pocket PC, a 480x640
// headless screen and the shipped default skin with the English language file.
inline void make_main_form_surroundings(
    std::unique_ptr<os::HeadlessScreen>& screen, std::unique_ptr<skinner::Properties>& skin)
{
    ::setenv("MELODECK_AUDIO", "null", 1);
    os::set_platform_kind(os::PlatformKind::pocket_pc);
    skinner::forget_static_capabilities();
    screen = std::make_unique<os::HeadlessScreen>(os::Size {480, 640});
    skin = std::make_unique<skinner::Properties>(default_skin_path(), skinner::Size {480, 640});
    skin->set_language(liba::from_utf8(std::string(MELODECK_APP_DIR) + "/English.lng"));
}

// The notifications that reach the form, as text: "command Play", "changed pbVolume".
struct FormRecorder : skinner::Listener {
    int32_t on_command(std::u16string_view command) override
    {
        log.push_back("command " + liba::to_utf8(command));
        return 0;
    }
    int32_t on_value_changed(skinner::Control& control) override
    {
        log.push_back("changed " + liba::to_utf8(control.name()));
        return 0;
    }
    int32_t on_selection_changed(skinner::Control& control) override
    {
        log.push_back("selection " + liba::to_utf8(control.name()));
        return 0;
    }
    std::vector<std::string> commands() const
    {
        std::vector<std::string> found;
        for (const std::string& line : log)
            if (line.rfind("command ", 0) == 0)
                found.push_back(line.substr(8));
        return found;
    }
    std::vector<std::string> log;
};

// The device screen with the default skin and a shown main form.
struct SkinnedForm {
    static constexpr os::Size s_screen {480, 640};

    SkinnedForm()
        : screen(s_screen)
        , skin(default_skin_path(), {s_screen.width, s_screen.height})
        , form(nullptr, &skin, u"FormMain", &recorder)
    {
        EXPECT_TRUE(skin.is_valid());
    }

    void show()
    {
        form.impl().window().show(os::ShowMode::show);
        screen.dispatch_pending();
    }
    // A window point of the form as a point of the device screen.
    os::Point on_screen(skinner::Point point) const
    {
        os::Rect window = form.impl().window().rect();
        return {window.position.x + point.x, window.position.y + point.y};
    }
    void tap(skinner::Point point)
    {
        screen.tap(on_screen(point));
        screen.dispatch_pending();
    }

    os::HeadlessScreen screen;
    skinner::Properties skin;
    FormRecorder recorder;
    skinner::Form form;
};

} // namespace test
