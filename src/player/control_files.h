#pragma once

// The file browser of the main form (skin name "lstFiles"): one folder at a time, as rows of an up
// entry ("..."), the subfolders and the audio files, sorted by kind and then by name without
// regard to case. Taps, holds and keys become the commands the form carries out ("PickUp",
// "PickFolder", "Play", and from the pick menu of an audio file "PlaySingle", "PlayAudiobook",
// "Play", "PlaySubfolder", "Cancel"); they climb through on_command to the form.
//
// The top level (current folder empty, "My_device" above the list) has no up entry: it lists the
// places a user starts from, in this order: the music folder (XDG_MUSIC_DIR, when it exists), the
// home folder, each mounted storage card (os::find_drives) and "/", the whole file system. Going
// up from "/" or from a place reaches the top level again. Names beginning with "." are hidden.
//
// Columns: 0 the icon of the entry's kind ("IconWidth" wide, default 1; "IconUp", "IconFolder",
// "IconAudioFile" drawn centred), 1 an empty indent ("IndentWidth", default 0), 2 the name (the
// remaining width) in the grid's cell style. The cell style's picture spans the three columns.
//
// Taps: a tap on an audio file only selects it, a second tap on it (the grid's double tap) raises
// "Play"; a tap on the up entry or a folder opens it ("PickUp", "PickFolder"). A hold runs the
// pick action, as Enter and the application key (a gamepad's Y) do for the selected row; Escape
// raises "PickUp" below the top level. The pick action of an audio file opens the pick menu at the
// row's name cell; its "PlayAudiobook" reads "Menu_Resume_audiobook" when the bookmarks hold the
// file, else "Menu_Play_audiobook".
//
// User-interface thread only.

#include "os/finder.h"
#include "skinner/control_frame.h"
#include "skinner/control_grid.h"
#include "skinner/grid_selection_strategy_single_row.h"
#include "skinner/menu_entry.h"

#include <string>
#include <string_view>
#include <vector>

namespace liba {
class StringTranslator;
}

namespace player {

class Bookmarks;

struct FileEntry {
    enum Kind : int32_t { none = 0, up = 1, folder = 2, audio = 4 };
    std::u16string path; // the up entry: the folder above ("" for the top level)
    std::u16string name; // what the list shows
    std::u16string size_text; // files only
    int32_t kind = none;
};

class ControlFiles : public skinner::ControlGrid,
                     public skinner::GridSelectionStrategySingleRow,
                     public os::Finder {
public:
    // The list starts at the top level with no entries; bookmarks must outlive it.
    ControlFiles(skinner::Container& container, const Bookmarks& bookmarks);
    ~ControlFiles() override;

    // An existing folder (macros and relative paths allowed) becomes the current folder; "" or a
    // path that is not a folder makes it the top level. Then the list is refreshed.
    void open_folder(std::u16string_view path);
    // Lists the current folder anew and selects the entry selected before when it is still
    // listed, else row 0.
    void refresh();
    // Selects the last entry whose path is path (os::same_path) and scrolls it into view; an empty
    // path or one not listed selects row 0.
    void select_path(std::u16string_view path);
    // Empty at the top level.
    std::u16string current_folder() const { return m_folder; }
    // Empty when the selection is out of range.
    std::u16string selected_path() const;
    // An empty entry (kind none) when row is out of range.
    FileEntry entry_at(int32_t row) const;
    int32_t entry_count() const { return int32_t(m_entries.size()); }
    bool is_top_level() const { return m_folder.empty(); }

    // Listener: a tap or a hold on a row of the list.
    int32_t on_cell_click(skinner::Control& grid, const skinner::GridClick& click) override;
    int32_t on_cell_hold(skinner::Control& grid, const skinner::GridClick& click) override;
    bool on_key_down(int32_t key) override;
    void on_skin_changed() override;

    // The grid's data.
    int32_t row_count() const override { return entry_count(); }
    int32_t column_count() const override { return 3; }
    int32_t column_width(int32_t column) const override;
    void draw_cell(int32_t column, int32_t row, skinner::Canvas& canvas, skinner::Point position,
        skinner::Size size, bool selected, bool highlighted) override;

    // os::Finder: the entries of the folder being listed.
    bool on_file(const std::u16string& path) override;
    bool on_folder(const std::u16string& path) override;

    // The pick menu of an audio file, in order, with translated captions.
    std::vector<skinner::MenuEntry> pick_menu(const FileEntry& entry);
    // Where the pick menu of row opens: its name cell's left edge plus the row height, and the
    // middle of the row (window coordinates).
    skinner::Point pick_menu_point(int32_t row) const;

private:
    void read_icons();
    void list_places();
    void sort_entries();
    // The folder the up entry of the current folder leads to; "" for the top level.
    std::u16string folder_above() const;
    bool is_place(std::u16string_view folder) const;
    void pick(int32_t row);
    void raise(std::u16string_view command);
    std::u16string translate(std::u16string_view key) const;
    const skinner::Picture& icon(int32_t kind) const;

    const Bookmarks& m_bookmarks;
    std::u16string m_folder;
    std::vector<FileEntry> m_entries;
    std::vector<FileEntry> m_places;
    int32_t m_icon_width = 1;
    int32_t m_indent_width = 0;
    skinner::Picture m_icon_up;
    skinner::Picture m_icon_folder;
    skinner::Picture m_icon_audio;
};

// The text of the folder frame ("frmFolder") for folder: the translation of "My_device" at the top
// level; otherwise the path, shortened from its start to "..." and the rest when it is not
// narrower than the frame's width less its borders in the frame's font.
std::u16string folder_caption(const skinner::ControlFrame& frame, std::u16string_view folder, bool top_level,
    const liba::StringTranslator& translator);

} // namespace player
