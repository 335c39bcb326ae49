// The file browser of the main form: lists, places, taps, holds, keys, the pick menu, the folder text.

#include "player/control_files.h"

#include "os/keys.h"
#include "player/bookmarks.h"
#include "player_run.h"
#include "skinner/control_frame.h"
#include "skinner/key_codes.h"
#include "skinner/menu_popup.h"
#include "support/scoped_config.h"
#include "support/scoped_env.h"

#include <fstream>
#include <optional>

using player::ControlFiles;
using player::FileEntry;
using Names = std::vector<std::string>;

namespace {

// A folder with b.MP3 (512 bytes), A.wav (2048), notes.txt, .hidden.mp3 and the subfolders Zeta
// and .cache, and the browser of a shown main form opened there.
struct Browser : test::SkinnedForm {
    Browser()
        : files(form, bookmarks)
    {
        std::filesystem::create_directories(dir.native("Zeta"));
        std::filesystem::create_directories(dir.native(".cache"));
        for (auto [name, bytes] : {std::pair {"b.MP3", 512}, {"A.wav", 2048}, {"notes.txt", 10},
                 {".hidden.mp3", 10}, {"Zeta/inside.ogg", 1}})
            std::ofstream(dir.native(name), std::ios::binary) << std::string(size_t(bytes), 'x');
        show();
        files.open_folder(folder());
        log.clear();
    }

    std::u16string folder() const { return test::u16(dir.path()); }
    std::u16string path(std::string_view name) const { return dir.file(name); }
    Names names() const
    {
        Names list;
        for (int32_t row = 0; row < files.entry_count(); ++row)
            list.push_back(liba::to_utf8(files.entry_at(row).name));
        return list;
    }
    int32_t row_of(std::string_view name) const
    {
        Names list = names();
        return int32_t(std::find(list.begin(), list.end(), name) - list.begin());
    }
    // The middle of the name cell of row, in window coordinates.
    skinner::Point name_cell(int32_t row) const
    {
        skinner::Point menu = files.pick_menu_point(row);
        return {menu.x + 4, menu.y};
    }

    test::TempDir dir;
    player::Bookmarks bookmarks;
    ControlFiles files;
};

} // namespace

TEST(ControlFiles, lists_folders_then_audio_files_taps_keys_and_holds_act_on_them_and_the_folder_text_fits)
{
    Browser browser;
    EXPECT_EQ(browser.names(), (Names {"...", "Zeta", "A.wav", "b.MP3"}));
    // (row, its path, kind and size text)
    for (const auto& [row, path, kind, size] :
        {std::tuple<int32_t, std::u16string, int32_t, std::u16string> {
             0, test::u16(browser.dir.path().parent_path()), FileEntry::up, u""},
            {1, browser.path("Zeta"), FileEntry::folder, u""},
            {2, browser.path("A.wav"), FileEntry::audio, u"2K"},
            {3, browser.path("b.MP3"), FileEntry::audio, u"512B"}, {4, u"", FileEntry::none, u""},
            {-1, u"", FileEntry::none, u""}}) {
        FileEntry entry = browser.files.entry_at(row);
        EXPECT_EQ(std::tie(entry.path, entry.kind, entry.size_text), std::tie(path, kind, size)) << row;
    }
    // A tap opens folders and plays an audio file only when tapped again.
    int32_t wav = browser.row_of("A.wav");
    browser.tap(browser.name_cell(wav));
    EXPECT_EQ(browser.files.selected_row(), wav);
    EXPECT_TRUE(browser.commands().empty());
    browser.tap(browser.name_cell(wav));
    EXPECT_EQ(browser.commands(), (Names {"Play"}));

    browser.screen.advance(2000);
    browser.tap(browser.name_cell(browser.row_of("Zeta")));
    browser.screen.advance(2000);
    browser.tap(browser.name_cell(browser.row_of("...")));
    EXPECT_EQ(browser.commands(), (Names {"PickFolder", "PickUp"}));
    // Keys raise the pick commands; escape at the top level is left alone.
    using Key = std::tuple<std::string, int32_t, bool, Names>; // "" for the top level
    for (const auto& [selected, key, handled, commands] :
        {Key {"Zeta", skinner::KeyEnter, true, {"PickFolder"}},
            Key {"...", skinner::KeyEnter, true, {"PickUp"}},
            Key {"Zeta", skinner::KeyApplication, true, {"PickFolder"}},
            Key {"Zeta", skinner::KeyEscape, true, {"PickUp"}}, Key {"b.MP3", skinner::KeyDown, false, {}},
            Key {"A.wav", skinner::KeyDown, true, {}}, Key {"", skinner::KeyEscape, false, {}},
            Key {"", skinner::KeySpace, false, {}}}) {
        browser.files.open_folder(selected.empty() ? u"" : browser.folder());
        browser.files.select_path(selected.empty() ? u"/" : browser.path(selected));
        browser.log.clear();
        EXPECT_EQ(browser.files.on_key_down(key), handled) << selected << " " << key;
        EXPECT_EQ(browser.commands(), commands) << selected << " " << key;
    }
    // A hold opens the pick menu at the name; the menu's loop runs one step per idle moment: where it
    // opened, then each key, up to Cancel (which changes nothing).
    browser.files.open_folder(browser.folder());
    browser.bookmarks.store(browser.path("b.MP3"), 5000);
    std::ofstream(browser.dir.native("de.lng")) << "Menu_Play_single Nur diese\n";
    ASSERT_TRUE(browser.skin.set_language(browser.path("de.lng")));
    int32_t row = browser.row_of("b.MP3");
    std::optional<os::Point> opened;
    size_t step = 0;
    const uint32_t keys[] = {os::VK_UP, os::VK_RETURN};
    browser.screen.set_idle_handler([&] {
        if (step == 0 && skinner::MenuPopup::innermost())
            opened = skinner::MenuPopup::innermost()->window().rect().position;
        if (step > 0 && step <= std::size(keys))
            browser.screen.key(keys[step - 1]);
        return step++ <= std::size(keys);
    });
    browser.log.clear();
    browser.screen.right_tap(browser.on_screen(browser.name_cell(row)));
    browser.screen.dispatch_pending();
    browser.screen.set_idle_handler(nullptr);
    EXPECT_EQ(opened, browser.on_screen(browser.files.pick_menu_point(row)));
    EXPECT_EQ((std::tuple {browser.commands(), browser.files.current_folder(), browser.files.selected_row()}),
        (std::tuple {Names {"Cancel"}, browser.folder(), row}));
    // Its entries, translated where the language has them; a file with a bookmark resumes.
    for (auto [name, audiobook] :
        {std::pair {"A.wav", "Menu_Play_audiobook"}, {"b.MP3", "Menu_Resume_audiobook"}}) {
        Names captions;
        for (const skinner::MenuEntry& entry :
            browser.files.pick_menu(browser.files.entry_at(browser.row_of(name))))
            captions.push_back(
                liba::to_utf8(entry.id + u" " + entry.text) + (entry.separator_after ? " |" : ""));
        EXPECT_EQ(captions,
            (Names {"PlaySingle Nur diese", std::string("PlayAudiobook ") + audiobook,
                "Play Menu_Play_folder", "PlaySubfolder Menu_Play_subfolder |", "Cancel Menu_Cancel"}));
    }
    // The folder text is shortened from its start to fit its frame.
    skinner::ControlFrame frame(browser.form, u"frmFolder", skinner::LookupMode::named);
    liba::StringTranslator translator;
    EXPECT_EQ(player::folder_caption(frame, u"/home", false, translator), u"/home");
    std::u16string long_path = u"/media/card/" + std::u16string(200, u'm') + u"/Albums/Last one";
    std::u16string caption = player::folder_caption(frame, long_path, false, translator);
    int32_t available = frame.rect().size.width - frame.border_min().x - frame.border_max().x;
    std::u16string rest = caption.substr(3);
    ASSERT_TRUE(caption.starts_with(u"...") && long_path.ends_with(rest));
    EXPECT_LT(frame.font().measure(caption).width, available);
    std::u16string one_more = u"..." + long_path.substr(long_path.size() - rest.size() - 1);
    EXPECT_GE(frame.font().measure(one_more).width, available);
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
    test::ScopedEnv home("HOME", home_dir.path().c_str());
    Browser browser;
    std::u16string music = home_dir.file("Music");

    // A missing folder, as the top level itself, lists the places.
    browser.files.open_folder(u"/no/such/folder");
    ASSERT_TRUE(browser.files.is_top_level());
    Names places = browser.names();
    ASSERT_GE(places.size(), 3u);
    EXPECT_EQ((std::tuple {places[0], places[1], places.back()}),
        (std::tuple {"Music", home_dir.path().filename().string(), "/"}));
    for (int32_t row = 0; row < browser.files.entry_count(); ++row)
        EXPECT_EQ(browser.files.entry_at(row).kind, FileEntry::folder) << row;

    // (folder opened, where its up entry leads; going up there as the form's PickUp does selects it)
    for (const auto& [folder, above] :
        {std::pair<std::u16string, std::u16string> {home_dir.file("Music/Albums"), music}, {music, u""},
            {test::u16(home_dir.path()), u""}, {u"/", u""}, {u"/usr", u"/"}}) {
        browser.files.open_folder(folder);
        ASSERT_EQ(browser.files.entry_at(0).kind, FileEntry::up) << liba::to_utf8(folder);
        EXPECT_EQ(browser.files.entry_at(0).path, above) << liba::to_utf8(folder);
        browser.files.open_folder(above);
        browser.files.select_path(folder);
        EXPECT_EQ((std::tuple {browser.files.is_top_level(), browser.files.selected_path()}),
            (std::tuple {above.empty(), folder}));
    }
    browser.files.open_folder(u"");
    EXPECT_EQ((std::tuple {browser.files.is_top_level(), browser.names()}), (std::tuple {true, places}));
}
