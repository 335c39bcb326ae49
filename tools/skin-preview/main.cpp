// skin-preview: shows one form of any skin, with its auto controls, as the player would on the
// emulated device, so that a skin author sees the result.
//
//   skin-preview SKIN.skin [--form NAME] [--screen WxH] [--platform pocketpc|smartphone]
//                [--headless] [--screenshot OUT.png]
//
// Without --form the first form (in name order) that has a fitting layout is shown. With
// --screenshot the screen runs without a display until everything is drawn, and the whole device
// screen (the shell's bars included) is written as a PNG of W x H pixels.
//
// Exit status: 0 shown (and written), 1 the skin was refused or the picture could not be written
// (the reason goes to stderr), 2 wrong usage.

#include "list_controls.h"
#include "preview_menu.h"
#include "skin_check.h"

#include "liba/text.h"
#include "os/create_screen.h"
#include "os/png_writer.h"
#include "os/screen/headless_screen.h"
#include "os/screen_options.h"
#include "skinner/device_capability.h"
#include "skinner/form.h"
#include "skinner/properties.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Options {
    os::ScreenOptions screen;
    std::string skin;
    std::string form;
};

int usage(const std::string& problem)
{
    if (!problem.empty())
        std::fprintf(stderr, "skin-preview: %s\n", problem.c_str());
    std::fputs("usage: skin-preview SKIN.skin [--form NAME] [--screen WxH] [--platform pocketpc|smartphone]\n"
               "                    [--headless] [--screenshot OUT.png]\n",
        stderr);
    return 2;
}

int refuse(const std::string& reasons)
{
    std::fprintf(stderr, "skin-preview: %s", reasons.c_str());
    if (!reasons.empty() && reasons.back() != '\n')
        std::fputc('\n', stderr);
    return 1;
}

// The skin file and --form from what the screen options left; an error text when they are wrong.
std::string parse_rest(const std::vector<std::string>& rest, Options& options)
{
    for (size_t i = 0; i < rest.size(); ++i) {
        const std::string& arg = rest[i];
        if (arg == "--form") {
            if (i + 1 == rest.size())
                return "--form wants a form name";
            options.form = rest[++i];
        } else if (arg.starts_with("--form=")) {
            options.form = arg.substr(7);
        } else if (arg.starts_with("-")) {
            return "unknown option {" + arg + "}";
        } else if (options.skin.empty()) {
            options.skin = arg;
        } else {
            return "one skin at a time, not also {" + arg + "}";
        }
    }
    if (options.skin.empty())
        return "which skin?";
    if (options.form.empty() && std::find(rest.begin(), rest.end(), "--form=") != rest.end())
        return "--form wants a form name";
    return {};
}

int preview(const Options& options)
{
    os::set_platform_kind(options.screen.kind);
    skinner::Size size {options.screen.size.width, options.screen.size.height};
    skinner::Properties skin(liba::from_utf8(options.skin), size, skinner::device_kind());
    if (std::string reasons = skin_preview::refusal(skin, size, options.skin); !reasons.empty())
        return refuse(reasons);
    skin_preview::FormChoice choice = skin_preview::choose_form(skin, liba::from_utf8(options.form));
    if (!choice.error.empty())
        return refuse(choice.error);

    std::string error;
    std::unique_ptr<os::Screen> screen = os::create_screen(options.screen, error);
    if (!screen)
        return refuse(error);
    std::printf("form %s (layout %s) at scale %d on %dx%d %s\n", liba::to_utf8(choice.form).c_str(),
        liba::to_utf8(choice.layout).c_str(), skin.impl().scale(), size.width, size.height,
        skinner::static_capability_is_smartphone() ? "Smartphone" : "Pocket PC");
    std::fflush(stdout);

    skin_preview::PreviewMenu menu;
    skinner::Form form(nullptr, &skin, choice.form, &menu);
    skin_preview::ListControls lists(form, choice.form);
    std::unique_ptr<skin_preview::MenuControls> menu_controls = menu.build(form, skin, choice.form);
    if (menu_controls) {
        std::printf("menu: Play on the left soft key, Menu on the right\n");
        std::fflush(stdout);
    }
    // Forms name themselves through a caption button; one without keeps the window's first title.
    if (form.impl().window().caption() == u"Loading...")
        form.impl().set_title(choice.form);
    // Headless, the run ends at the first moment with nothing left to do, everything drawn; on a
    // display, when the user closes the form or the desktop window.
    bool written = true;
    if (auto* headless = dynamic_cast<os::HeadlessScreen*>(screen.get())) {
        headless->set_idle_handler([&] {
            if (!options.screen.screenshot.empty())
                written = os::write_png(screen->frame(), liba::from_utf8(options.screen.screenshot));
            return false;
        });
    }
    form.do_modal();
    if (!written)
        return refuse("cannot write {" + options.screen.screenshot + "}");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    os::ScreenOptionsResult parsed = os::parse_screen_options(argc, argv);
    if (!parsed.error.empty())
        return usage(parsed.error);
    Options options;
    options.screen = parsed.options;
    if (std::string problem = parse_rest(parsed.rest, options); !problem.empty())
        return usage(problem);
    return preview(options);
}
