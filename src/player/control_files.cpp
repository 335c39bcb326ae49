#include "player/control_files.h"

#include "liba/string_translator.h"
#include "liba/text.h"
#include "os/directory.h"
#include "os/drives.h"
#include "os/path.h"
#include "os/search.h"
#include "player/audio_files.h"
#include "player/bookmarks.h"
#include "player/player_texts.h"
#include "skinner/key_codes.h"
#include "skinner/popup_menu.h"
#include "skinner/properties.h"

#include <algorithm>
#include <filesystem>
#include <functional>

namespace player {

namespace {

bool is_folder(std::u16string_view path)
{
    os::FileInfo info = os::file_info(path);
    return info.exists && (info.attributes & os::s_attribute_directory) != 0;
}

// The absolute native form of a folder path: macros expanded, "." and ".." resolved, no trailing
// separator except for "/" itself.
std::u16string normal_folder(std::u16string_view path)
{
    std::filesystem::path native(os::native_path(path));
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(native, error);
    if (error)
        absolute = native;
    std::u16string text = liba::from_utf8(absolute.lexically_normal().string());
    return text.size() > 1 ? os::strip_separator(text) : text;
}

// Collects the folders a search reports.
class FolderList : public os::Finder {
public:
    bool on_folder(const std::u16string& path) override
    {
        folders.push_back(path);
        return true;
    }
    std::vector<std::u16string> folders;
};

} // namespace

ControlFiles::ControlFiles(skinner::Container& container, const Bookmarks& bookmarks)
    : ControlGrid(container, u"lstFiles", skinner::LookupMode::named)
    , m_bookmarks(bookmarks)
{
    read_icons();
    update_layout();
}

ControlFiles::~ControlFiles() = default;

void ControlFiles::read_icons()
{
    m_icon_width = get_int_scaled(u"IconWidth", 1);
    m_indent_width = get_int_scaled(u"IndentWidth", 0);
    m_icon_up = get_picture(u"IconUp", {});
    m_icon_folder = get_picture(u"IconFolder", {});
    m_icon_audio = get_picture(u"IconAudioFile", {});
}

void ControlFiles::on_skin_changed()
{
    ControlGrid::on_skin_changed();
    read_icons();
    update_layout();
}

// Listing -----------------------------------------------------------------------------------------

void ControlFiles::open_folder(std::u16string_view path)
{
    m_folder.clear();
    if (!path.empty() && is_folder(path))
        m_folder = normal_folder(path);
    refresh();
}

void ControlFiles::refresh()
{
    std::u16string selected = selected_path();
    select_row(-1);
    m_entries.clear();
    list_places();
    if (is_top_level()) {
        m_entries = m_places;
    } else {
        m_entries.push_back({folder_above(), u"...", {}, FileEntry::up});
        os::search(*this, m_folder, u"*", u"*", false);
        sort_entries();
    }
    update_layout();
    select_path(selected);
}

void ControlFiles::list_places()
{
    m_places.clear();
    auto add = [this](std::u16string_view folder) {
        if (folder.empty() || !is_folder(folder))
            return;
        std::u16string path = normal_folder(folder);
        for (const FileEntry& place : m_places)
            if (os::same_path(place.path, path))
                return;
        if (path != u"/")
            m_places.push_back({path, os::file_name(path), {}, FileEntry::folder});
    };
    add(os::music_folder_path());
    add(os::home_folder_path());
    FolderList cards;
    os::find_drives(cards);
    for (const std::u16string& card : cards.folders)
        add(card);
    m_places.push_back({u"/", u"/", {}, FileEntry::folder});
}

// By kind, then by lower-cased name, each name lower-cased once; entries equal in both keep the
// listing's order.
void ControlFiles::sort_entries()
{
    struct Keyed {
        int32_t kind;
        std::u16string lower;
        FileEntry* entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(m_entries.size());
    for (FileEntry& entry : m_entries)
        keyed.push_back({entry.kind, liba::to_lower(entry.name), &entry});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return a.kind != b.kind ? a.kind < b.kind : a.lower < b.lower;
    });
    std::vector<FileEntry> sorted;
    sorted.reserve(m_entries.size());
    for (Keyed& key : keyed)
        sorted.push_back(std::move(*key.entry));
    m_entries = std::move(sorted);
}

bool ControlFiles::is_place(std::u16string_view folder) const
{
    return std::any_of(
        m_places.begin(), m_places.end(), [folder](const FileEntry& place) { return place.path == folder; });
}

std::u16string ControlFiles::folder_above() const
{
    if (m_folder == u"/" || is_place(m_folder))
        return {};
    std::u16string parent = os::parent_folder(m_folder);
    return parent.size() > 1 ? os::strip_separator(parent) : parent;
}

bool ControlFiles::on_file(const std::u16string& path)
{
    std::u16string name = os::file_name(path);
    if (name.starts_with(u'.') || !is_audio_file(path))
        return true;
    m_entries.push_back({path, std::move(name), size_text(listed_size()), FileEntry::audio});
    return true;
}

bool ControlFiles::on_folder(const std::u16string& path)
{
    std::u16string name = os::file_name(path);
    if (!name.starts_with(u'.'))
        m_entries.push_back({path, std::move(name), {}, FileEntry::folder});
    return true;
}

// Selection ---------------------------------------------------------------------------------------

void ControlFiles::select_path(std::u16string_view path)
{
    int32_t row = m_entries.empty() ? -1 : 0;
    if (!path.empty()) {
        // Listed paths hold no macro, so expansion keeps their length: only one of the target's
        // expanded length, or one more (a trailing separator), can be the same path.
        size_t length = os::strip_separator(os::expand_path(path)).size();
        for (int32_t i = entry_count() - 1; i >= 0; --i) {
            size_t listed = m_entries[size_t(i)].path.size();
            if ((listed == length || listed == length + 1)
                && os::same_path(m_entries[size_t(i)].path, path)) {
                row = i;
                break;
            }
        }
    }
    select_row(row);
}

std::u16string ControlFiles::selected_path() const
{
    return entry_at(selected_row()).path;
}

FileEntry ControlFiles::entry_at(int32_t row) const
{
    if (row < 0 || row >= entry_count())
        return {};
    return m_entries[size_t(row)];
}

// Drawing -----------------------------------------------------------------------------------------

int32_t ControlFiles::column_width(int32_t column) const
{
    if (column == 0)
        return m_icon_width;
    if (column == 1)
        return m_indent_width;
    return -1;
}

const skinner::Picture& ControlFiles::icon(int32_t kind) const
{
    static const skinner::Picture none;
    switch (kind) {
    case FileEntry::up:
        return m_icon_up;
    case FileEntry::folder:
        return m_icon_folder;
    case FileEntry::audio:
        return m_icon_audio;
    default:
        return none;
    }
}

void ControlFiles::draw_cell(int32_t column, int32_t row, skinner::Canvas& canvas, skinner::Point position,
    skinner::Size size, bool selected, bool highlighted)
{
    skinner::GridCellStyle style = skinner::grid_cell_style(selected, highlighted);
    const FileEntry* entry = row < entry_count() ? &m_entries[size_t(row)] : nullptr;
    draw_cell_text(
        canvas, style, column == 2 && entry ? std::u16string_view(entry->name) : u"", position, size);
    if (column != 0 || !entry)
        return;
    const skinner::Picture& picture = icon(entry->kind);
    skinner::Size picture_size = picture.size();
    picture.draw(canvas,
        {position.x + (size.width - picture_size.width) / 2,
            position.y + (size.height - picture_size.height) / 2},
        picture_size);
}

// Taps, holds and keys ----------------------------------------------------------------------------

int32_t ControlFiles::on_cell_click(skinner::Control& grid, const skinner::GridClick& click)
{
    if (&grid != this)
        return ControlGrid::on_cell_click(grid, click);
    FileEntry entry = entry_at(click.row);
    if (entry.kind != FileEntry::audio)
        pick(click.row);
    else if (click.double_tap)
        raise(u"Play");
    return 0;
}

int32_t ControlFiles::on_cell_hold(skinner::Control& grid, const skinner::GridClick& click)
{
    if (&grid != this)
        return ControlGrid::on_cell_hold(grid, click);
    pick(click.row);
    return 0;
}

bool ControlFiles::on_key_down(int32_t key)
{
    if (ControlGrid::on_key_down(key))
        return true;
    // The application key opens the selection's menu, as a hold on it does.
    if (key == skinner::KeyEnter || key == skinner::KeyApplication) {
        pick(selected_row());
        return true;
    }
    if (key == skinner::KeyEscape && !is_top_level()) {
        raise(u"PickUp");
        return true;
    }
    return false;
}

void ControlFiles::pick(int32_t row)
{
    FileEntry entry = entry_at(row);
    switch (entry.kind) {
    case FileEntry::up:
        raise(u"PickUp");
        break;
    case FileEntry::folder:
        raise(u"PickFolder");
        break;
    case FileEntry::audio:
        skinner::popup_menu(*this, pick_menu_point(row), pick_menu(entry));
        break;
    default:
        break;
    }
}

std::vector<skinner::MenuEntry> ControlFiles::pick_menu(const FileEntry& entry)
{
    auto item = [this](std::u16string_view id, std::u16string_view key) {
        skinner::MenuEntry menu;
        menu.id = id;
        menu.text = translate(key);
        menu.owner = this;
        return menu;
    };
    std::u16string_view audiobook
        = m_bookmarks.has(entry.path) ? u"Menu_Resume_audiobook" : u"Menu_Play_audiobook";
    std::vector<skinner::MenuEntry> entries {item(u"PlaySingle", u"Menu_Play_single"),
        item(u"PlayAudiobook", audiobook), item(u"Play", u"Menu_Play_folder"),
        item(u"PlaySubfolder", u"Menu_Play_subfolder"), item(u"Cancel", u"Menu_Cancel")};
    entries[3].separator_after = true;
    return entries;
}

skinner::Point ControlFiles::pick_menu_point(int32_t row) const
{
    const skinner::Rect& area = painter().rect();
    int32_t height = row_height();
    int32_t left
        = area.left() + column_offsets()[std::min<size_t>(2, column_offsets().size() - 1)] - scroll_offset();
    int32_t top
        = area.top() + int32_t(skinner::grid_row_top(row, header_height(), height, first_visible_row()));
    return {left + height, top + height / 2};
}

void ControlFiles::raise(std::u16string_view command)
{
    on_command(command);
}

std::u16string ControlFiles::translate(std::u16string_view key) const
{
    skinner::Properties* skin = properties();
    return skin ? skin->translator().translate(key, key) : std::u16string(key);
}

// The folder frame --------------------------------------------------------------------------------

std::u16string folder_caption(const skinner::ControlFrame& frame, std::u16string_view folder, bool top_level,
    const liba::StringTranslator& translator)
{
    if (top_level)
        return translator.translate(u"My_device", u"My_device");
    int32_t available = frame.rect().size.width - frame.border_min().x - frame.border_max().x;
    auto width = [&frame](std::u16string_view text) { return frame.font().measure(text).width; };
    if (width(folder) < available)
        return std::u16string(folder);
    // The fewest characters dropped from the start that make "..." and the rest fit: the width
    // only shrinks as more is dropped, so bisect.
    size_t low = 1;
    size_t high = folder.size();
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        if (width(u"..." + std::u16string(folder.substr(middle))) < available)
            high = middle;
        else
            low = middle + 1;
    }
    return u"..." + std::u16string(folder.substr(low));
}

} // namespace player
