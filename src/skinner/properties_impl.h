#pragma once

// One loaded skin: its description (searched in place, see skin_description.h), the scale factor
// chosen for the screen, its picture and font lists, and the typed property queries that forms and
// controls make through their Properties handle.
//
// Loading never fails: an unreadable or malformed file, or a picture whose bitmap cannot be
// loaded, leaves an invalid skin (is_valid() false, check_version false) for the caller to replace.
// Querying an invalid skin, or a form, control or kind the skin lacks, is an internal error that
// ends the process through os::fatal_error; a property missing from a record that exists gives the
// caller's default, returned exactly as given (never scaled or translated).
//
// Choosing a form: among the form records whose names begin with the name asked for and whose
// "Devices" text admits the device, the largest whose "Size" fits the work area (the whole
// screen with "Fullscreen" not 0), by width and then by height, the last visited winning a tie
// (pre-order over the form tree). Each choice rebuilds a trace of the records it looked at,
// which the "no form" report quotes.
//
// One-entry caches remember the last form, control and kind asked for; a new form name clears the
// form and control caches. Counters measure the cost of a refresh: name comparisons made by
// searches, property queries, and the queries that found their property.
//
// Scaled values are positions, sizes, picture frames and integers asked for with get_int_scaled,
// all multiplied by the scale factor (1 to 4). User-interface thread only; nothing is locked.

#include "liba/nocopy.h"
#include "liba/string_translator.h"
#include "skinner/device.h"
#include "skinner/font.h"
#include "skinner/geometry.h"
#include "skinner/picture.h"
#include "skinner/skin_description.h"
#include "skinner/skin_names.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace skinner {

// The result of the compatibility check: the size entry that matched the screen and its scale.
struct VersionCheck {
    bool passed = false;
    Size matched;
    int32_t scale = 1;
};

struct PropertyCounters {
    uint64_t comparisons = 0;
    uint64_t lookups = 0;
    uint64_t found = 0;
};

// A StringTranslator too, as the handle's design has it; its own table stays empty and is not
// consulted: string properties go through the translator the caller passes.
class PropertiesImpl : public liba::StringTranslator, private liba::Nocopy {
public:
    // path may hold path macros and is kept as given. screen (0, 0) skips the scale choice.
    PropertiesImpl(std::u16string_view path, Size screen, DeviceKind device);
    ~PropertiesImpl() override;

    bool is_valid() const { return m_valid; }
    // For an invalid skin, passed is false.
    VersionCheck check_version(std::u16string_view version, Size screen) const;

    const std::u16string& path() const { return m_path; }
    int32_t scale() const { return m_scale; }
    Size screen_size() const { return m_screen; }
    Size workarea_size() const { return m_workarea; }
    DeviceKind device() const { return m_device; }
    const SkinDescription& description() const { return m_description; }
    const std::vector<Picture>& pictures() const { return m_pictures; }
    const std::vector<Font>& fonts() const { return m_fonts; }

    // Record choices through the caches; 0 = none.
    uint32_t choose_form(std::u16string_view form);
    uint32_t choose_control(std::u16string_view form, std::u16string_view control);
    uint32_t choose_kind(std::u16string_view kind);
    // What the last form choice looked at: "-name" for a record whose name does not begin with the
    // name asked for, "+name Size=w h Devices=d[ good_for_device]" for one that does; a line each.
    const std::u16string& form_trace() const { return m_trace; }

    // Control-level queries. An empty form name takes control as a kind name; an empty kind name
    // gives the default.
    int32_t get_int(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, int32_t def);
    int32_t get_int_scaled(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, int32_t def);
    Point get_point(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, Point def);
    // The value's text in translator when it has one, else the value.
    std::u16string get_string(std::u16string_view form, std::u16string_view control, std::u16string_view name,
        std::u16string_view def, const liba::StringTranslator& translator);
    Color get_color(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, Color def);
    Picture get_picture(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, const Picture& def);
    Font get_font(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, const Font& def);
    // The untranslated string turned into a cursor; an unknown name gives the default.
    Cursor get_cursor(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, Cursor def);

    // Form-level queries on the chosen form record; no fitting form is fatal.
    int32_t get_form_int(std::u16string_view form, std::u16string_view name, int32_t def);
    Point get_form_point(std::u16string_view form, std::u16string_view name, Point def);
    Picture get_form_picture(std::u16string_view form, std::u16string_view name, const Picture& def);

    // The chosen form record's auto controls; 0 (and empty names) for an invalid skin, a missing
    // form or an index out of range.
    uint32_t auto_control_count(std::u16string_view form);
    // (control name, kind name).
    std::pair<std::u16string, std::u16string> auto_control(std::u16string_view form, uint32_t index);

    const PropertyCounters& counters() const { return m_counters; }
    void reset_counters() { m_counters = {}; }

private:
    void choose_scale();
    bool load_pictures();
    void load_fonts();
    // Steps shared by the queries: counts the lookup, reports a missing skin, form, control or kind,
    // and returns the entry of the property (0 when the record lacks it).
    uint32_t control_entry(
        std::u16string_view form, std::u16string_view control, PropertyType type, std::u16string_view name);
    uint32_t form_entry(std::u16string_view form, PropertyType type, std::u16string_view name);
    uint32_t entry_in(uint32_t record, PropertyType type, std::u16string_view name);
    Point scaled(PointEntry point) const;
    Picture picture_of(uint32_t entry) const;

    [[noreturn]] void report_no_skin() const;
    [[noreturn]] void report_no_kind(std::u16string_view kind) const;
    [[noreturn]] void report_no_control(std::u16string_view form, std::u16string_view control) const;
    [[noreturn]] void report_no_form(std::u16string_view form) const;

    std::u16string m_path;
    SkinDescription m_description;
    // The description is valid and every picture of its list loaded.
    bool m_valid = false;
    Size m_screen;
    Size m_workarea;
    DeviceKind m_device;
    int32_t m_scale = 1;
    std::vector<Picture> m_pictures;
    std::vector<Font> m_fonts;

    std::u16string m_form_name;
    uint32_t m_form = 0;
    std::u16string m_control_name;
    uint32_t m_control = 0;
    std::u16string m_kind_name;
    uint32_t m_kind = 0;
    std::u16string m_trace;
    PropertyCounters m_counters;
};

} // namespace skinner
