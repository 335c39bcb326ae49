// The file browser on the headless screen with the default skin: what a folder lists and in which
// order, the places of the top level, selection by path, taps, holds and keys and the commands
// they raise, the pick menu, and the shortened folder text.

#include "player/control_files.h"

#include "os/keys.h"
#include "player/bookmarks.h"
#include "player_run.h"
#include "skinner/control_frame.h"
#include "skinner/key_codes.h"
#include "skinner/menu_popup.h"
#include "support/scoped_config.h"

#include <fstream>
#include <optional>

using player::ControlFiles;
using player::FileEntry;

namespace {

void make_file(const std::filesystem::path& path, size_t bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
}

// $HOME for one test.
struct ScopedHome {
    explicit ScopedHome(const std::filesystem::path& home) { ::setenv("HOME", home.c_str(), 1); }
    ~ScopedHome() { ::setenv("HOME", previous.c_str(), 1); }
    std::string previous = std::getenv("HOME");
};

// A folder with b.MP3 (512 bytes), A.wav (2048), notes.txt, .hidden.mp3 and the subfolders Zeta
// and .cache, and the browser of a shown main form opened there.
struct Browser : test::SkinnedForm {
    Browser()
        : files(form, bookmarks)
    {
        make_file(dir.native("b.MP3"), 512);
        make_file(dir.native("A.wav"), 2048);
        make_file(dir.native("notes.txt"), 10);
        make_file(dir.native(".hidden.mp3"), 10);
        make_file(dir.native("Zeta/inside.ogg"), 1);
        std::filesystem::create_directories(dir.native(".cache"));
        show();
        files.open_folder(folder());
        recorder.log.clear();
    }

    std::u16string folder() const { return test::u16(dir.path()); }
    std::u16string path(std::string_view name) const { return dir.file(name); }
    std::vector<std::string> names() const
    {
        std::vector<std::string> list;
        for (int32_t row = 0; row < files.entry_count(); ++row)
            list.push_back(liba::to_utf8(files.entry_at(row).name));
        return list;
    }
    int32_t row_of(std::string_view name) const
    {
        std::vector<std::string> list = names();
        return int32_t(std::find(list.begin(), list.end(), name) - list.begin());
    }
    // The middle of the name cell of row, in window coordinates.
    skinner::Point name_cell(int32_t row) const
    {
        skinner::Point menu = files.pick_menu_point(row);
        return {menu.x + 4, menu.y};
    }
    // The form's "PickUp" and "PickFolder": open a folder, then select the folder just left.
    void open_as_form(std::u16string_view target)
    {
        std::u16string left = files.current_folder();
        files.open_folder(target);
        files.select_path(left);
    }

    test::TempDir dir;
    player::Bookmarks bookmarks;
    ControlFiles files;
};

} // namespace

TEST(ControlFiles, lists_folders_then_audio_files_and_taps_keys_and_going_up_act_on_them)
{
    Browser browser;
    EXPECT_EQ(browser.names(), (std::vector<std::string> {"...", "Zeta", "A.wav", "b.MP3"}));
    std::vector<std::u16string> paths {test::u16(browser.dir.path().parent_path()), browser.path("Zeta"),
        browser.path("A.wav"), browser.path("b.MP3")};
    std::vector<int32_t> kinds {FileEntry::up, FileEntry::folder, FileEntry::audio, FileEntry::audio};
    std::vector<std::u16string> sizes {u"", u"", u"2K", u"512B"};
    for (size_t row = 0; row < paths.size(); ++row) {
        FileEntry entry = browser.files.entry_at(int32_t(row));
        EXPECT_EQ(
            std::tie(entry.path, entry.kind, entry.size_text), std::tie(paths[row], kinds[row], sizes[row]))
            << row;
    }
    EXPECT_EQ(browser.files.entry_at(4).kind, FileEntry::none);
    EXPECT_EQ(browser.files.entry_at(-1).kind, FileEntry::none);
    // Going up selects the folder left.
    browser.open_as_form(browser.path("Zeta"));
    EXPECT_EQ(browser.names(), (std::vector<std::string> {"...", "inside.ogg"}));
    browser.open_as_form(browser.files.entry_at(0).path);
    EXPECT_EQ(browser.files.current_folder(), browser.folder());
    EXPECT_EQ(browser.files.selected_path(), browser.path("Zeta"));
    // A tap opens folders and plays an audio file only when tapped again.
    int32_t wav = browser.row_of("A.wav");
    browser.tap(browser.name_cell(wav));
    EXPECT_EQ(browser.files.selected_row(), wav);
    EXPECT_TRUE(browser.commands().empty());
    browser.tap(browser.name_cell(wav));
    EXPECT_EQ(browser.commands(), (std::vector<std::string> {"Play"}));

    browser.screen.advance(2000);
    browser.tap(browser.name_cell(browser.row_of("Zeta")));
    browser.screen.advance(2000);
    browser.tap(browser.name_cell(browser.row_of("...")));
    EXPECT_EQ(browser.commands(), (std::vector<std::string> {"PickFolder", "PickUp"}));
    // Keys raise the pick commands; escape at the top level is left alone.
    using Key = std::tuple<std::string, int32_t, bool, std::vector<std::string>>; // "" for the top level
    for (const auto& [selected, key, handled, commands] :
        {Key {"Zeta", skinner::KeyEnter, true, {"PickFolder"}},
            Key {"...", skinner::KeyEnter, true, {"PickUp"}},
            Key {"Zeta", skinner::KeyApplication, true, {"PickFolder"}},
            Key {"Zeta", skinner::KeyEscape, true, {"PickUp"}}, Key {"b.MP3", skinner::KeyDown, false, {}},
            Key {"A.wav", skinner::KeyDown, true, {}}, Key {"", skinner::KeyEscape, false, {}},
            Key {"", skinner::KeySpace, false, {}}}) {
        browser.files.open_folder(selected.empty() ? u"" : browser.folder());
        browser.files.select_path(selected.empty() ? u"/" : browser.path(selected));
        browser.recorder.log.clear();
        EXPECT_EQ(browser.files.on_key_down(key), handled) << selected << " " << key;
        EXPECT_EQ(browser.commands(), commands) << selected << " " << key;
    }
    // A skin read again (here for a smaller screen) gives the icon column its width.
    int32_t icon = browser.files.column_offsets().at(1);
    browser.skin.reload(test::default_skin_path(), {240, 320});
    EXPECT_NE(browser.files.column_offsets().at(1), icon);
    // A vanished path selects the first row.
    browser.files.open_folder(browser.folder());
    std::filesystem::remove(browser.dir.native("A.wav"));
    browser.files.refresh();
    browser.files.select_path(browser.path("A.wav"));
    EXPECT_EQ(browser.files.selected_row(), 0);
    EXPECT_EQ(browser.files.selected_path(), browser.files.entry_at(0).path);
}

TEST(ControlFiles, the_top_level_lists_the_places_and_going_up_from_a_place_returns_to_it)
{
    test::ScopedConfig config;
    test::TempDir home_dir;
    std::filesystem::create_directories(home_dir.native("Music/Albums"));
    std::ofstream(config.folder().native("user-dirs.dirs")) << "XDG_MUSIC_DIR=\"$HOME/Music\"\n";
    ScopedHome home(home_dir.path());
    Browser browser;
    std::u16string music = home_dir.file("Music");

    browser.files.open_folder(u"");
    ASSERT_TRUE(browser.files.is_top_level());
    std::vector<std::string> places = browser.names();
    ASSERT_GE(places.size(), 3u);
    EXPECT_EQ(places.front(), "Music");
    EXPECT_EQ(places[1], home_dir.path().filename().string());
    EXPECT_EQ(places.back(), "/");
    for (int32_t row = 0; row < browser.files.entry_count(); ++row)
        EXPECT_EQ(browser.files.entry_at(row).kind, FileEntry::folder) << row;

    // (folder opened, where its up entry leads, what going up there selects)
    struct Case {
        std::u16string folder;
        std::u16string above;
    };
    for (const Case& step : {Case {home_dir.file("Music/Albums"), music}, Case {music, u""},
             Case {test::u16(home_dir.path()), u""}, Case {u"/", u""}, Case {u"/usr", u"/"}}) {
        browser.files.open_folder(step.folder);
        EXPECT_EQ(browser.files.current_folder(), step.folder);
        ASSERT_EQ(browser.files.entry_at(0).kind, FileEntry::up) << liba::to_utf8(step.folder);
        EXPECT_EQ(browser.files.entry_at(0).path, step.above) << liba::to_utf8(step.folder);
        browser.open_as_form(browser.files.entry_at(0).path);
        EXPECT_EQ(browser.files.is_top_level(), step.above.empty());
        EXPECT_EQ(browser.files.selected_path(), step.folder);
    }

    for (std::u16string_view missing : {u"", u"/no/such/folder"}) {
        browser.files.open_folder(browser.folder());
        browser.files.open_folder(missing);
        EXPECT_TRUE(browser.files.is_top_level());
        EXPECT_EQ(browser.names(), places);
    }
}

TEST(ControlFiles, a_hold_on_an_audio_file_opens_the_pick_menu_at_its_name_and_cancel_changes_nothing)
{
    Browser browser;
    browser.bookmarks.store(browser.path("b.MP3"), 5000);
    std::ofstream(browser.dir.native("de.lng")) << "Menu_Play_single Nur diese\n";
    ASSERT_TRUE(browser.skin.set_language(browser.path("de.lng")));
    // (file held, its audiobook caption, the keys pressed in the menu, the commands the form gets)
    struct Case {
        std::string name;
        std::string audiobook;
        std::vector<uint32_t> keys;
        std::vector<std::string> commands;
    };
    for (const Case& c : {Case {"A.wav", "Menu_Play_audiobook", {os::VK_ESCAPE}, {}},
             Case {"b.MP3", "Menu_Resume_audiobook", {os::VK_UP, os::VK_RETURN}, {"Cancel"}}}) {
        int32_t row = browser.row_of(c.name);
        // The menu's loop runs one step per idle moment: where it opened, then each key.
        std::optional<os::Point> opened;
        size_t step = 0;
        browser.screen.set_idle_handler([&] {
            if (step == 0 && skinner::MenuPopup::innermost())
                opened = skinner::MenuPopup::innermost()->window().rect().position;
            if (step > 0 && step <= c.keys.size())
                browser.screen.key(c.keys[step - 1]);
            return step++ <= c.keys.size();
        });
        browser.recorder.log.clear();
        browser.screen.right_tap(browser.on_screen(browser.name_cell(row)));
        browser.screen.dispatch_pending();
        browser.screen.set_idle_handler(nullptr);
        ASSERT_TRUE(opened.has_value()) << c.name;
        EXPECT_EQ(*opened, browser.on_screen(browser.files.pick_menu_point(row)));
        std::vector<std::string> captions;
        for (const skinner::MenuEntry& entry : browser.files.pick_menu(browser.files.entry_at(row)))
            captions.push_back(
                liba::to_utf8(entry.id + u" " + entry.text) + (entry.separator_after ? " |" : ""));
        EXPECT_EQ(captions,
            (std::vector<std::string> {"PlaySingle Nur diese", "PlayAudiobook " + c.audiobook,
                "Play Menu_Play_folder", "PlaySubfolder Menu_Play_subfolder |", "Cancel Menu_Cancel"}));
        EXPECT_EQ(browser.commands(), c.commands);
        EXPECT_EQ(browser.files.current_folder(), browser.folder());
        EXPECT_EQ(browser.files.selected_row(), row);
    }
}

TEST(ControlFiles, the_folder_text_is_shortened_from_its_start_to_fit_the_frame)
{
    test::SkinnedForm skinned;
    skinner::ControlFrame frame(skinned.form, u"frmFolder", skinner::LookupMode::named);
    liba::StringTranslator translator;
    EXPECT_EQ(player::folder_caption(frame, u"/home", false, translator), u"/home");
    std::u16string long_path = u"/media/card/" + std::u16string(200, u'm') + u"/Albums/Last one";
    std::u16string caption = player::folder_caption(frame, long_path, false, translator);
    int32_t available = frame.rect().size.width - frame.border_min().x - frame.border_max().x;
    ASSERT_TRUE(caption.starts_with(u"..."));
    std::u16string rest = caption.substr(3);
    EXPECT_TRUE(long_path.ends_with(rest));
    EXPECT_LT(frame.font().measure(caption).width, available);
    std::u16string one_more = u"..." + long_path.substr(long_path.size() - rest.size() - 1);
    EXPECT_GE(frame.font().measure(one_more).width, available);
}
