#pragma once

// The player's settings file, "%app_path%/Settings.xml": every value is an attribute.
//
//   <Settings>
//     <General Language="..."/>
//     <Filelist CurrentFolder="..." SelectedPath="..."/>
//     <Sound Volume="1.000000" EqualizerOn="false"/>
//     <Playback ScreenOff="0" Random="true" Repeat="true"/>
//     <Bookmarks><Bookmark Path="..." Pos="1234" Saved="1796000000"/>...</Bookmarks>
//   </Settings>
//
// Elements and attributes are written in exactly this order. Numbers and booleans use the XML
// layer's text forms (liba/xml_node.h), except that a real's exponent is read only when no
// fraction precedes it ("1.5e2" reads 1.5, "15e1" reads 150). A missing file, element or attribute
// leaves the default; a boolean outside the table leaves the default; an integer or real without a
// leading digit reads 0; a value of white space only leaves the default. Values are stored as read
// (a Volume of 2.5 stays 2.5; the volume bar clamps it). A bookmark's Saved (when it was stored,
// UTC seconds) is optional: without it, or when it is not a number of 0 to 18 decimal digits, the
// bookmark loads with the time unknown and is written back without it.

#include "player/bookmarks.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace player {

struct Settings {
    // Defaults are the values of a run without a settings file.
    std::u16string language = default_language();
    std::u16string current_folder;
    std::u16string selected_path;
    double volume = 1.0;
    bool equalizer_on = false;
    int32_t screen_off = 0; // 0 never, 1..4: after 10 s, 30 s, 1 min, 2 min; others: never
    bool random = true;
    bool repeat = true;
    // In file order; records whose Path or Pos does not read are left out, duplicates kept.
    std::vector<Bookmark> bookmarks;

    // The expansion of "%app_path%/English.lng".
    static std::u16string default_language();
};

// The settings in the file; the defaults for whatever the file does not hold (all of them when it
// is missing or not well-formed XML).
Settings load_settings_file(std::u16string_view path);
// Writes the settings over the file atomically (a crash leaves the old or the new file); false
// when it could not be written, the old file then staying as it was.
bool save_settings_file(std::u16string_view path, const Settings& settings);
// General/Language alone, read before anything else is built; empty when absent.
std::u16string read_language_setting(std::u16string_view path);

} // namespace player
