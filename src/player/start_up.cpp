#include "player/start_up.h"

#include "liba/text.h"
#include "os/application.h"
#include "os/create_screen.h"
#include "os/directory.h"
#include "os/message_box.h"
#include "os/path.h"
#include "os/png_writer.h"
#include "os/screen/headless_screen.h"
#include "player/form_main.h"
#include "player/script_runner.h"
#include "player/settings.h"
#include "skinner/device_capability.h"
#include "skinner/properties.h"

#include <cstdio>
#include <memory>

namespace player {

namespace {

skinner::Size skin_size(const os::Screen& screen)
{
    return {screen.size().width, screen.size().height};
}

// The skin that serves this version on this screen, alternative first; null (after the warning)
// when neither does. alternative_refused tells that an alternative skin was there but did not serve.
std::unique_ptr<skinner::Properties> choose_skin(const os::Screen& screen, bool& alternative_refused)
{
    skinner::Size size = skin_size(screen);
    auto skin = std::make_unique<skinner::Properties>(s_alternative_skin, size, skinner::device_kind());
    alternative_refused = false;
    if (!skin->check_version(s_skin_version, size)) {
        alternative_refused = os::file_info(s_alternative_skin).exists;
        size = skin_size(screen);
        skin->reload(s_default_skin, size);
    }
    if (skin->check_version(s_skin_version, size))
        return skin;
    os::message_box(
        u"Default skin not found or it is incompatible with this version of Melodeck", u"Warning");
    return nullptr;
}

// The language Settings.xml names, else English (which stays the fallback of every lookup).
void load_language(skinner::Properties& skin)
{
    std::u16string language = read_language_setting(os::expand_path(s_settings_file));
    if (language.empty() || !skin.set_language(language))
        skin.set_language(os::expand_path(s_english_file));
}

int run(os::Screen& screen, const CommandLine& command_line, const std::vector<std::string>* script_lines,
    os::Application& application)
{
    bool alternative_refused = false;
    std::unique_ptr<skinner::Properties> skin = choose_skin(screen, alternative_refused);
    if (!skin) {
        application.release_startup();
        return 0;
    }
    load_language(*skin);
    std::u16string settings = os::expand_path(s_settings_file);
    int status = 0;
    {
        FormMain form(nullptr, skin.get());
        application.release_startup();
        form.load_settings(settings);
        if (!command_line.folder.empty())
            form.open_folder(liba::from_utf8(command_line.folder));
        // Shown from the form's own loop, over the form.
        if (alternative_refused) {
            screen.post_callback([] {
                os::message_box(
                    u"Alternative skin is incompatible with this version of Melodeck", u"Warning");
            });
        }

        std::unique_ptr<ScriptRunner> script;
        if (script_lines) {
            script = std::make_unique<ScriptRunner>(screen, form, *script_lines);
            script->start();
        } else if (!command_line.screen.screenshot.empty()) {
            if (auto* headless = dynamic_cast<os::HeadlessScreen*>(&screen)) {
                headless->set_idle_handler([&] {
                    if (!os::write_png(screen.frame(), liba::from_utf8(command_line.screen.screenshot)))
                        status = 1;
                    form.close();
                    headless->set_idle_handler(nullptr);
                    return true;
                });
            }
        }
        // Closing the desktop window ends the screen, not the form: the audiobook's place is kept
        // as "Exit" keeps it.
        if (!form.do_modal())
            form.store_bookmark();
        form.save_settings(settings);
        if (script)
            status = script->exit_status();
    }
    return status;
}

} // namespace

std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error)
{
    os::ScreenOptionsResult parsed = os::parse_screen_options(args);
    if (!parsed.error.empty()) {
        error = parsed.error;
        return std::nullopt;
    }
    CommandLine result;
    result.screen = parsed.options;
    for (size_t i = 0; i < parsed.rest.size(); ++i) {
        const std::string& arg = parsed.rest[i];
        if (arg == "--script" && i + 1 < parsed.rest.size()) {
            result.script = parsed.rest[++i];
        } else if (arg.starts_with("--script=") && arg.size() > 9) {
            result.script = arg.substr(9);
        } else if (arg.starts_with("-")) {
            error = "unknown option {" + arg + "}";
            return std::nullopt;
        } else if (result.folder.empty()) {
            result.folder = arg;
        } else {
            error = "one folder at a time, not also {" + arg + "}";
            return std::nullopt;
        }
    }
    for (const std::string& arg : args) {
        if (!result.text.empty())
            result.text += u' ';
        result.text += liba::from_utf8(arg);
    }
    return result;
}

int start_up(const CommandLine& command_line)
{
    std::optional<std::vector<std::string>> script;
    if (!command_line.script.empty()) {
        std::string error;
        script = read_script(command_line.script, error);
        if (!script) {
            std::fprintf(stderr, "melodeck: %s\n", error.c_str());
            return 2;
        }
    }
    os::Application application(s_application_name);
    if (application.check_running(command_line.text))
        return 0;
    std::string error;
    std::unique_ptr<os::Screen> screen = os::create_screen(command_line.screen, error);
    if (!screen) {
        std::fprintf(stderr, "melodeck: %s\n", error.c_str());
        return 1;
    }
    return run(*screen, command_line, script ? &*script : nullptr, application);
}

} // namespace player
