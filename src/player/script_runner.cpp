#include "player/script_runner.h"

#include "liba/text.h"
#include "os/directory.h"
#include "os/keys.h"
#include "os/path.h"
#include "os/png_writer.h"
#include "os/screen.h"
#include "os/screen/headless_screen.h"
#include "player/form_main.h"
#include "skinner/control_button.h"
#include "skinner/control_frame.h"
#include "skinner/control_panel.h"
#include "skinner/form.h"
#include "skinner/form_impl.h"
#include "skinner/menu_manager_impl_bar.h"
#include "skinner/menu_popup.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

namespace player {

namespace {

const std::map<std::string, uint32_t>& key_names()
{
    static const std::map<std::string, uint32_t> s_keys {
        {"Left", os::VK_LEFT},
        {"Right", os::VK_RIGHT},
        {"Up", os::VK_UP},
        {"Down", os::VK_DOWN},
        {"Enter", os::VK_RETURN},
        {"Escape", os::VK_ESCAPE},
        {"Back", os::VK_ESCAPE},
        {"Space", os::VK_SPACE},
        {"Tab", os::VK_TAB},
        {"Backspace", os::VK_BACK},
        {"Delete", os::VK_DELETE},
        {"Insert", os::VK_INSERT},
        {"Home", os::VK_HOME},
        {"End", os::VK_END},
        {"PageUp", os::VK_PRIOR},
        {"PageDown", os::VK_NEXT},
        {"F1", os::VK_F1},
        {"F2", os::VK_F2},
        {"Apps", os::VK_APPS},
        {"PlayPause", os::VK_MEDIA_PLAY_PAUSE},
        {"MediaStop", os::VK_MEDIA_STOP},
        {"NextTrack", os::VK_MEDIA_NEXT_TRACK},
        {"PrevTrack", os::VK_MEDIA_PREV_TRACK},
        {"VolumeUp", os::VK_VOLUME_UP},
        {"VolumeDown", os::VK_VOLUME_DOWN},
    };
    return s_keys;
}

std::optional<uint32_t> virtual_key(const std::string& name)
{
    if (auto found = key_names().find(name); found != key_names().end())
        return found->second;
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z')
        return os::VK_A + uint32_t(name[0] - 'a');
    if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z')
        return os::VK_A + uint32_t(name[0] - 'A');
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9')
        return os::VK_0 + uint32_t(name[0] - '0');
    return std::nullopt;
}

bool parse_int(const std::string& text, int64_t& value)
{
    if (text.empty())
        return false;
    size_t used = 0;
    try {
        value = std::stoll(text, &used);
    } catch (...) {
        return false;
    }
    return used == text.size();
}

// The words after the command joined again: a name or a folder may hold blanks.
std::string rest(const std::vector<std::string>& words)
{
    std::string result;
    for (size_t i = 1; i < words.size(); ++i) {
        if (i > 1)
            result += ' ';
        result += words[i];
    }
    return result;
}

os::Point centre(const os::Rect& rect)
{
    return {rect.position.x + rect.size.width / 2, rect.position.y + rect.size.height / 2};
}

skinner::Control* find_in(const skinner::Container& container, const std::u16string& name, bool visible_only)
{
    for (skinner::Control* control : container.controls()) {
        if (visible_only && !control->is_visible())
            continue;
        if (control->name() == name)
            return control;
        if (auto* panel = dynamic_cast<skinner::ControlPanel*>(control)) {
            if (skinner::Control* inner = find_in(panel->inner(), name, visible_only))
                return inner;
        }
    }
    return nullptr;
}

std::string utf8(std::u16string_view text)
{
    return liba::to_utf8(text);
}

} // namespace

std::optional<std::vector<std::string>> read_script(const std::string& path, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the script {" + path + "}";
        return std::nullopt;
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> split_words(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool in_word = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (in_word)
                words.push_back(word);
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word)
        words.push_back(word);
    return words;
}

ScriptRunner::ScriptRunner(os::Screen& screen, FormMain& form, std::vector<std::string> lines)
    : m_screen(screen)
    , m_form(form)
    , m_lines(std::move(lines))
    , m_window(screen, *this, nullptr, os::WindowKind::popup)
{
}

ScriptRunner::~ScriptRunner()
{
    m_window.kill_timer(1);
    m_screen.call_when_idle(nullptr);
    if (auto* headless = dynamic_cast<os::HeadlessScreen*>(&m_screen))
        headless->set_idle_handler(nullptr);
}

void ScriptRunner::start()
{
    m_wall_origin = Clock::now();
    m_clock_origin = m_screen.now();
    // The script starts once the loop first runs out of work, which is right after the first frame
    // is presented; its tick timer is set by that first step.
    m_screen.call_when_idle([this] { step(); });
    if (auto* headless = dynamic_cast<os::HeadlessScreen*>(&m_screen))
        headless->set_idle_handler([this] { return on_idle(); });
}

intptr_t ScriptRunner::on_message(os::Window&, const os::WindowMessage& message)
{
    if (message.id == os::WM_TIMER)
        step();
    return 0;
}

// Headless, the loop has nothing to do before the next timer: a sleep until that timer falls due
// by the wall clock (any post from another thread ends it early), then the screen's clock catches
// up with the wall clock, and reaches the timer when the sleep ran to it, so that each timer costs
// one wake-up.
bool ScriptRunner::on_idle()
{
    auto& headless = static_cast<os::HeadlessScreen&>(m_screen);
    catch_up_clock();
    int64_t deadline = headless.idle_deadline();
    int64_t sleep_ms = s_max_idle_sleep_ms;
    if (deadline >= 0) {
        Clock::time_point due = m_wall_origin + std::chrono::milliseconds(deadline - m_clock_origin);
        sleep_ms = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count();
    }
    // A timer due within the slack fires now: a sleep of a millisecond or two costs a wake-up and
    // the timer would fire in the same tick of the wall clock anyway.
    if (deadline >= 0 && sleep_ms <= s_timer_slack_ms) {
        if (deadline > m_screen.now())
            headless.advance(deadline - m_screen.now());
        return true;
    }
    bool timer_reached = sleep_ms <= s_max_idle_sleep_ms;
    sleep_ms = std::clamp<int64_t>(sleep_ms, 0, s_max_idle_sleep_ms);
    if (sleep_ms > 0 && m_screen.wait_for_post(std::chrono::milliseconds(sleep_ms)))
        timer_reached = false;
    catch_up_clock();
    if (timer_reached && deadline > m_screen.now())
        headless.advance(deadline - m_screen.now());
    return true;
}

void ScriptRunner::catch_up_clock()
{
    int64_t wall
        = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_wall_origin).count();
    int64_t behind = m_clock_origin + wall - m_screen.now();
    if (behind > 0)
        static_cast<os::HeadlessScreen&>(m_screen).advance(behind);
}

// While a plain wait runs, the tick falls due when it ends rather than every s_tick_ms: a script
// that waits does not wake the player more often than the player wakes itself.
void ScriptRunner::schedule_tick()
{
    int64_t interval = s_tick_ms;
    if (m_wait == Wait::until && !m_finished) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
        interval = std::max<int64_t>(left, s_tick_ms);
    }
    if (interval == m_tick_interval)
        return;
    m_tick_interval = interval;
    m_window.set_timer(1, interval);
}

void ScriptRunner::step()
{
    if (m_finished || m_in_step)
        return;
    m_in_step = true;
    while (!m_finished) {
        if (m_wait != Wait::none) {
            if (!wait_over())
                break;
            m_wait = Wait::none;
        }
        if (m_next == m_lines.size()) {
            finish(0);
            break;
        }
        m_line = m_lines[m_next++];
        m_line_number = int32_t(m_next);
        Words words = split_words(m_line);
        if (words.empty() || words[0].starts_with("#"))
            continue;
        std::string error;
        Outcome outcome = execute(words, error);
        if (outcome == Outcome::failed) {
            fail(error);
            break;
        }
        if (outcome == Outcome::yield)
            break;
    }
    schedule_tick();
    m_in_step = false;
}

bool ScriptRunner::wait_over()
{
    Clock::time_point now = Clock::now();
    switch (m_wait) {
    case Wait::none:
        return true;
    case Wait::until:
        return now >= m_deadline;
    case Wait::until_end:
        if (!m_form.is_playing())
            return true;
        if (now >= m_deadline)
            fail("still playing");
        return false;
    case Wait::menu: {
        std::string error;
        if (m_menu_step == m_menu_path.size())
            return true;
        const skinner::MenuPopup* popup = skinner::MenuPopup::innermost();
        if (!popup || popup == m_menu_popup) {
            if (now >= m_deadline)
                fail(m_menu_step == 0 ? "no menu is open" : "the submenu did not open");
            return false;
        }
        if (!choose_in_menu(error))
            fail(error);
        return false;
    }
    }
    return true;
}

ScriptRunner::Outcome ScriptRunner::execute(const Words& words, std::string& error)
{
    const std::string& command = words[0];
    if (command == "tap" || command == "hold")
        return tap(words, command == "hold", error);
    if (command == "key")
        return key(words, error);
    if (command == "menu" || command == "pick")
        return menu(words, command == "menu", error);
    if (command == "command" && words.size() == 2) {
        post_command(words[1]);
        return Outcome::yield;
    }
    if (command == "open" && words.size() >= 2) {
        std::u16string folder = liba::from_utf8(rest(words));
        os::FileInfo info = os::file_info(folder);
        if (!info.exists || !(info.attributes & os::s_attribute_directory)) {
            error = "no such folder";
            return Outcome::failed;
        }
        m_form.open_folder(folder);
        return Outcome::yield;
    }
    if (command == "select")
        return select(words, error);
    if (command == "wait")
        return until(words, Wait::until, error);
    if (command == "until-end")
        return until(words, Wait::until_end, error);
    if (command == "screenshot" && words.size() == 2) {
        if (os::write_png(m_screen.frame(), liba::from_utf8(words[1])))
            return Outcome::next;
        error = "cannot write the picture";
        return Outcome::failed;
    }
    if (command == "text")
        return text(words, error);
    if (command == "state" && words.size() == 1) {
        print_state();
        return Outcome::next;
    }
    if (command == "rss" && words.size() == 1) {
        print_rss();
        return Outcome::next;
    }
    if (command == "quit" && words.size() == 1) {
        finish(0);
        return Outcome::yield;
    }
    error = "unknown command or wrong arguments";
    return Outcome::failed;
}

void ScriptRunner::fail(const std::string& reason)
{
    std::fprintf(stderr, "melodeck: script line %d: %s: %s\n", m_line_number, m_line.c_str(), reason.c_str());
    std::fflush(stderr);
    finish(1);
}

void ScriptRunner::finish(int status)
{
    if (m_finished)
        return;
    m_finished = true;
    m_status = status;
    m_wait = Wait::none;
    m_window.kill_timer(1);
    // A loop above the main form's (a menu, the about form, a message box) would hold it: then the
    // screen quits, which ends every loop, after the audiobook's place is kept as "Exit" does.
    const os::Window* active = m_screen.active_window();
    bool nested = skinner::Form::modal_form() != &m_form || skinner::MenuPopup::innermost()
        || (active && active != &m_form.impl().window());
    if (nested) {
        m_form.store_bookmark();
        m_screen.post_quit();
    } else {
        post_command("Exit");
    }
}

ScriptRunner::Outcome ScriptRunner::tap(const Words& words, bool hold, std::string& error)
{
    os::Point point;
    int64_t x = 0;
    int64_t y = 0;
    if (words.size() == 3 && parse_int(words[1], x) && parse_int(words[2], y)) {
        point = {int32_t(x), int32_t(y)};
    } else if (words.size() >= 2) {
        skinner::Control* control = find_control(rest(words), true);
        if (!control) {
            error = "no visible control of that name";
            return Outcome::failed;
        }
        auto* window = dynamic_cast<skinner::FormImpl*>(&control->window());
        os::Point origin = window ? window->window().rect().position : os::Point {};
        os::Point middle = centre(control->rect());
        point = {origin.x + middle.x, origin.y + middle.y};
    } else {
        error = "tap NAME or tap X Y";
        return Outcome::failed;
    }
    // The right button stands for a tap-and-hold, as on the desktop.
    os::PointerButton button = hold ? os::PointerButton::right : os::PointerButton::left;
    m_screen.input_pointer_down(button, point);
    m_screen.input_pointer_up(button, point);
    return Outcome::yield;
}

ScriptRunner::Outcome ScriptRunner::key(const Words& words, std::string& error)
{
    std::optional<uint32_t> vk = words.size() == 2 ? virtual_key(words[1]) : std::nullopt;
    if (!vk) {
        error = "unknown key";
        return Outcome::failed;
    }
    m_screen.input_key(*vk, true);
    m_screen.input_key(*vk, false);
    return Outcome::yield;
}

ScriptRunner::Outcome ScriptRunner::menu(const Words& words, bool open_soft_key_menu, std::string& error)
{
    if (words.size() < 2) {
        error = "which entry?";
        return Outcome::failed;
    }
    m_menu_path.assign(words.begin() + 1, words.end());
    m_menu_step = 0;
    m_menu_popup = nullptr;
    m_wait = Wait::menu;
    m_deadline = Clock::now() + std::chrono::milliseconds(s_menu_open_ms);
    if (open_soft_key_menu) {
        m_screen.input_key(os::VK_F2, true);
        m_screen.input_key(os::VK_F2, false);
    }
    return Outcome::yield;
}

bool ScriptRunner::choose_in_menu(std::string& error)
{
    const skinner::MenuPopup* popup = skinner::MenuPopup::innermost();
    const std::vector<skinner::MenuPopupItem>& items = popup->items();
    std::u16string caption = liba::from_utf8(m_menu_path[m_menu_step]);
    size_t row = 0;
    while (row < items.size() && items[row].text != caption)
        ++row;
    const skinner::MenuPopup::Layout& layout = popup->current_layout();
    if (row == items.size() || row >= layout.rows.size()) {
        error = "no entry \"" + m_menu_path[m_menu_step] + "\" in the menu (it has:";
        for (const skinner::MenuPopupItem& item : items)
            error += " \"" + utf8(item.text) + "\"";
        error += ")";
        return false;
    }
    os::Point middle = centre(layout.rows[row]);
    os::Point point {layout.box.position.x + middle.x, layout.box.position.y + middle.y};
    m_screen.input_pointer_down(os::PointerButton::left, point);
    m_screen.input_pointer_up(os::PointerButton::left, point);
    m_menu_popup = popup;
    ++m_menu_step;
    m_deadline = Clock::now() + std::chrono::milliseconds(s_menu_open_ms);
    return true;
}

ScriptRunner::Outcome ScriptRunner::select(const Words& words, std::string& error)
{
    std::u16string name = liba::from_utf8(rest(words));
    ControlFiles& files = m_form.files();
    for (int32_t row = 0; row < files.entry_count(); ++row) {
        FileEntry entry = files.entry_at(row);
        if (entry.name == name) {
            files.select_path(entry.path);
            return Outcome::yield;
        }
    }
    error = "no entry of that name in the browser";
    return Outcome::failed;
}

ScriptRunner::Outcome ScriptRunner::text(const Words& words, std::string& error)
{
    skinner::Control* control = words.size() >= 2 ? find_control(rest(words), false) : nullptr;
    const std::u16string* shown = nullptr;
    if (auto* frame = dynamic_cast<skinner::ControlFrame*>(control))
        shown = &frame->text();
    else if (auto* button = dynamic_cast<skinner::ControlButton*>(control))
        shown = &button->text();
    else if (auto* item = dynamic_cast<skinner::MenuMainButton*>(control))
        shown = &item->text();
    if (!shown) {
        error = "no frame or button of that name";
        return Outcome::failed;
    }
    std::printf("%s\n", utf8(*shown).c_str());
    std::fflush(stdout);
    return Outcome::next;
}

ScriptRunner::Outcome ScriptRunner::until(const Words& words, Wait wait, std::string& error)
{
    int64_t ms = wait == Wait::until ? -1 : s_until_end_ms;
    if (words.size() > 2 || (words.size() == 2 && !parse_int(words[1], ms)) || ms < 0) {
        error = "a time in milliseconds";
        return Outcome::failed;
    }
    m_wait = wait;
    m_deadline = Clock::now() + std::chrono::milliseconds(ms);
    return Outcome::yield;
}

void ScriptRunner::print_state()
{
    const Playlist& playlist = m_form.playlist();
    ControlFiles& files = m_form.files();
    int32_t position = 0;
    int32_t length = 0;
    if (audio::PlayChain* chain = m_form.chain()) {
        position = chain->get_reader().position();
        length = chain->get_reader().length();
    }
    int32_t track = playlist.size() > 0 ? playlist.current_index() + 1 : 0;
    std::printf("mode=%s paused=%d folder=%s selected=%s track=%d/%d path=%s pos=%d len=%d random=%d "
                "repeat=%d eq=%d volume=%.3f screenoff=%d language=%s\n",
        m_form.is_playing() ? "play" : "browse", m_form.is_paused() ? 1 : 0,
        utf8(files.current_folder()).c_str(), utf8(files.entry_at(files.selected_row()).name).c_str(), track,
        playlist.size(), utf8(playlist.current_path()).c_str(), position, length, playlist.random() ? 1 : 0,
        playlist.repeat() ? 1 : 0, m_form.equalizer_on() ? 1 : 0, m_form.volume(), m_form.screen_off(),
        utf8(os::file_name(m_form.language_path())).c_str());
    std::fflush(stdout);
}

void ScriptRunner::print_rss()
{
    // The resident set as the kernel counts it, in KiB ("VmRSS:   12345 kB"); 0 where unknown.
    std::ifstream status("/proc/self/status");
    std::string line;
    long kib = 0;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            kib = std::strtol(line.c_str() + 6, nullptr, 10);
            break;
        }
    }
    std::printf("rss=%ld\n", kib);
    std::fflush(stdout);
}

skinner::Control* ScriptRunner::find_control(const std::string& name, bool visible_only) const
{
    skinner::Form* form = skinner::Form::modal_form();
    if (!form)
        form = &m_form;
    return find_in(*form, liba::from_utf8(name), visible_only);
}

void ScriptRunner::post_command(const std::string& command)
{
    m_screen.post_callback([this, name = liba::from_utf8(command)] { m_form.on_command(name); });
}

} // namespace player
