#include "player/start_up.h"

#include "liba/text.h"
#include "os/application.h"
#include "os/create_screen.h"
#include "os/directory.h"
#include "os/log.h"
#include "os/message_box.h"
#include "os/path.h"
#include "os/png_writer.h"
#include "os/screen/headless_screen.h"
#include "player/form_main.h"
#include "player/mpris.h"
#include "player/script_runner.h"
#include "player/settings.h"
#include "skinner/device_capability.h"
#include "skinner/properties.h"

#include <cstdio>
#include <filesystem>
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

// The settings file of this run, its folder made when it is the per-user one.
std::u16string settings_file()
{
    std::u16string app_folder = os::expand_path(u"%app_path%");
    bool writable = os::is_writable_folder(app_folder);
    std::u16string path = settings_path(app_folder, writable, os::config_folder_path());
    if (!writable)
        os::create_folders(os::parent_folder(path));
    return path;
}

// The language the settings name, else English (which stays the fallback of every lookup).
void load_language(skinner::Properties& skin, std::u16string_view settings)
{
    std::u16string language = read_language_setting(settings);
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
    std::u16string settings = settings_file();
    load_language(*skin, settings);
    int status = 0;
    {
        FormMain form(nullptr, skin.get());
        application.release_startup();
        form.load_settings(settings);
        if (!command_line.path.empty())
            open_path(form, liba::from_utf8(command_line.path));
        // Gone before the form, whose end it must not hear.
        std::unique_ptr<Mpris> mpris = Mpris::connect(screen, form);
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
        mpris.reset();
        form.save_settings(settings);
        if (script)
            status = script->exit_status();
    }
    return status;
}

// The path from the current folder, without "." and ".." steps, doubled or trailing separators.
std::string absolute_path(const std::string& path)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error).lexically_normal();
    if (error)
        return path;
    // Runs of separators (which lexically_normal keeps at the start) become one.
    std::string text;
    for (char c : absolute.string()) {
        if (c != '/' || text.empty() || text.back() != '/')
            text += c;
    }
    if (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// One argument at the end of a command line text, quoted when it must be.
void add_argument(std::u16string& text, const std::string& arg)
{
    if (!text.empty())
        text += u' ';
    std::u16string wide = liba::from_utf8(arg);
    if (!wide.empty() && wide.find_first_of(u" \"") == std::u16string::npos) {
        text += wide;
        return;
    }
    text += u'"';
    for (char16_t c : wide) {
        if (c == u'"')
            text += u'"';
        text += c;
    }
    text += u'"';
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
    // Where the path stands in args.
    std::optional<size_t> path_at;
    for (size_t i = 0; i < parsed.rest.size(); ++i) {
        const std::string& arg = parsed.rest[i];
        if (arg == "--script" && i + 1 < parsed.rest.size()) {
            result.script = parsed.rest[++i];
        } else if (arg.starts_with("--script=") && arg.size() > 9) {
            result.script = arg.substr(9);
        } else if (arg.starts_with("-")) {
            error = "unknown option {" + arg + "}";
            return std::nullopt;
        } else if (result.path.empty()) {
            path_at = parsed.rest_at[i];
            result.path = absolute_path(arg);
        } else {
            error = "one path at a time, not also {" + arg + "}";
            return std::nullopt;
        }
    }
    // The first copy runs in another folder: PATH goes last, absolute. (The same text may also
    // stand earlier as an option's value: only the path's own place is left out.)
    for (size_t i = 0; i < args.size(); ++i) {
        if (i != path_at)
            add_argument(result.text, args[i]);
    }
    if (!result.path.empty())
        add_argument(result.text, result.path);
    return result;
}

std::vector<std::string> split_command_line(std::u16string_view text)
{
    std::vector<std::string> args;
    size_t at = 0;
    while (at < text.size()) {
        if (text[at] == u' ') {
            ++at;
            continue;
        }
        std::u16string arg;
        if (text[at] == u'"') {
            for (++at; at < text.size(); ++at) {
                if (text[at] == u'"' && (at + 1 >= text.size() || text[at + 1] != u'"'))
                    break;
                if (text[at] == u'"')
                    ++at;
                arg += text[at];
            }
            ++at;
        } else {
            while (at < text.size() && text[at] != u' ')
                arg += text[at++];
        }
        args.push_back(liba::to_utf8(arg));
    }
    return args;
}

void open_path(FormMain& form, std::u16string_view path)
{
    os::FileInfo info = os::file_info(path);
    if (!info.exists) {
        os::log() << u"Nothing to open at {" << path << u"}\n";
        return;
    }
    if (info.attributes & os::s_attribute_directory) {
        form.open_folder(path);
        return;
    }
    form.open_folder(os::parent_folder(path));
    ControlFiles& files = form.files();
    files.select_path(path);
    FileEntry entry = files.entry_at(files.selected_row());
    if (entry.kind == FileEntry::audio && os::same_path(entry.path, path))
        form.on_command(u"Play");
}

void open_handed_over_path(FormMain& form, std::u16string_view text)
{
    std::string error;
    std::optional<CommandLine> command_line = parse_command_line(split_command_line(text), error);
    if (command_line && !command_line->path.empty())
        open_path(form, liba::from_utf8(command_line->path));
}

std::u16string settings_path(
    std::u16string_view app_folder, bool app_folder_writable, std::u16string_view config_folder)
{
    if (app_folder_writable)
        return os::join(app_folder, u"Settings.xml");
    return os::join(os::join(config_folder, u"melodeck"), u"Settings.xml");
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
