#include "player/settings.h"

#include "liba/text.h"
#include "liba/xml_node.h"
#include "os/path.h"
#include "os/xml_file.h"

namespace player {

namespace {

// A real as the settings file holds it: the XML layer's form, but an exponent after a fraction is
// not part of the number, so the text is cut there.
void read_real(const liba::XmlNode& element, std::u16string_view name, double& value)
{
    std::u16string text;
    if (!element.get_attribute(name, text))
        return;
    std::u16string_view number = text;
    size_t point = number.find(u'.');
    if (point != std::u16string_view::npos)
        number = number.substr(0, number.find_first_of(u"eE", point));
    liba::xml_read_real(number, value);
}

// Whole seconds as decimal digits alone; -1 for anything else (or no attribute).
int64_t read_saved_time(const liba::XmlNode& element)
{
    std::u16string text;
    if (!element.get_attribute(u"Saved", text) || text.empty() || text.size() > 18)
        return -1;
    int64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

void read_bookmarks(const liba::XmlNode& list, std::vector<Bookmark>& bookmarks)
{
    uint32_t count = list.child_count();
    for (uint32_t i = 0; i < count; ++i) {
        liba::XmlNode element = list.child_at(i);
        Bookmark bookmark;
        if (element.is_element() && element.get_attribute(u"Path", bookmark.path)
            && element.get_attribute(u"Pos", bookmark.position)) {
            bookmark.saved = read_saved_time(element);
            bookmarks.push_back(std::move(bookmark));
        }
    }
}

liba::XmlNode settings_root(std::u16string_view path)
{
    return os::xml_load(path).child(u"Settings");
}

} // namespace

std::u16string Settings::default_language()
{
    return os::expand_path(u"%app_path%/English.lng");
}

Settings load_settings_file(std::u16string_view path)
{
    Settings settings;
    liba::XmlNode root = settings_root(path);
    root.child(u"General").get_attribute(u"Language", settings.language);
    liba::XmlNode list = root.child(u"Filelist");
    list.get_attribute(u"CurrentFolder", settings.current_folder);
    list.get_attribute(u"SelectedPath", settings.selected_path);
    liba::XmlNode sound = root.child(u"Sound");
    read_real(sound, u"Volume", settings.volume);
    sound.get_attribute(u"EqualizerOn", settings.equalizer_on);
    liba::XmlNode playback = root.child(u"Playback");
    playback.get_attribute(u"ScreenOff", settings.screen_off);
    playback.get_attribute(u"Random", settings.random);
    playback.get_attribute(u"Repeat", settings.repeat);
    read_bookmarks(root.child(u"Bookmarks"), settings.bookmarks);
    return settings;
}

bool save_settings_file(std::u16string_view path, const Settings& settings)
{
    liba::XmlNode document = liba::XmlNode::create();
    liba::XmlNode root = document.add_child(u"Settings");
    root.add_child(u"General").set_attribute(u"Language", settings.language);
    liba::XmlNode list = root.add_child(u"Filelist");
    list.set_attribute(u"CurrentFolder", settings.current_folder);
    list.set_attribute(u"SelectedPath", settings.selected_path);
    liba::XmlNode sound = root.add_child(u"Sound");
    sound.set_attribute(u"Volume", settings.volume);
    sound.set_attribute(u"EqualizerOn", settings.equalizer_on);
    liba::XmlNode playback = root.add_child(u"Playback");
    playback.set_attribute(u"ScreenOff", settings.screen_off);
    playback.set_attribute(u"Random", settings.random);
    playback.set_attribute(u"Repeat", settings.repeat);
    liba::XmlNode bookmarks = root.add_child(u"Bookmarks");
    for (const Bookmark& bookmark : settings.bookmarks) {
        liba::XmlNode element = bookmarks.add_child(u"Bookmark");
        element.set_attribute(u"Path", bookmark.path);
        element.set_attribute(u"Pos", bookmark.position);
        if (bookmark.saved >= 0)
            element.set_attribute(u"Saved", liba::to_text(bookmark.saved));
    }
    return os::xml_save(document, path);
}

std::u16string read_language_setting(std::u16string_view path)
{
    std::u16string language;
    settings_root(path).child(u"General").get_attribute(u"Language", language);
    return language;
}

} // namespace player
