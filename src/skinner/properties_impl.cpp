#include "skinner/properties_impl.h"

#include "liba/text.h"
#include "os/fatal_error.h"
#include "os/log.h"
#include "os/zip_open.h"
#include "skinner/skin_file.h"

#include <algorithm>
#include <limits>

namespace skinner {

using namespace skin_layout;

PropertiesImpl::PropertiesImpl(std::u16string_view path, Size screen, DeviceKind device)
    : m_path(path)
    , m_screen(screen)
    , m_workarea(skinner::workarea_size(screen, device))
    , m_device(device)
{
    os::log() << u"Form::get_workarea 0 " << os::bar_height(screen, device) << u" " << m_workarea.width
              << u" " << m_workarea.height << u"\n";
    // Held open while the skin loads: the description and every picture read the archive, and
    // share its bytes (read once) while a reader of it is alive.
    std::unique_ptr<liba::ZipFile> archive = os::open_zip(path);
    m_description = SkinDescription(read_skin_description(path));
    m_valid = m_description.valid();
    if (!m_valid)
        return;
    choose_scale();
    if (!load_pictures()) {
        m_valid = false;
        return;
    }
    load_fonts();
}

PropertiesImpl::~PropertiesImpl() = default;

VersionCheck PropertiesImpl::check_version(std::u16string_view version, Size screen) const
{
    VersionCheck check;
    if (!m_valid || !good_for_device(m_description.devices(), m_device))
        return check;
    if (!version.empty() && m_description.version() != version)
        return check;
    if (screen == Size {0, 0}) {
        check.passed = true;
        return check;
    }
    for (int32_t scale = 1; scale <= 4; ++scale) {
        for (uint32_t i = 0; i < s_size_entries; ++i) {
            SkinSize entry = m_description.size_entry(i);
            if (int64_t(scale) * entry.width == screen.width
                && int64_t(scale) * entry.height == screen.height) {
                return {true, {int32_t(entry.width), int32_t(entry.height)}, scale};
            }
        }
    }
    SkinSize first = m_description.size_entry(0);
    check.passed = first.width == 0 && first.height == 0;
    return check;
}

void PropertiesImpl::choose_scale()
{
    SkinSize first = m_description.size_entry(0);
    if (m_screen == Size {0, 0} || first.width == 0 || first.height == 0)
        return;
    VersionCheck check = check_version(u"", m_screen);
    if (check.passed) {
        m_scale = check.scale;
        return;
    }
    // Best fit: the least slack, width counting before height; the earliest candidate wins a tie.
    int64_t width = m_screen.width;
    int64_t height = m_screen.height;
    int64_t best = (width + 1) * height;
    for (int32_t scale = 1; scale <= 4; ++scale) {
        for (uint32_t i = 0; i < s_size_entries; ++i) {
            SkinSize entry = m_description.size_entry(i);
            int64_t slack_x = width - scale * int64_t(entry.width);
            int64_t slack_y = height - scale * int64_t(entry.height);
            if (slack_x < 0 || slack_y < 0)
                continue;
            if (slack_x * height + slack_y < best) {
                best = slack_x * height + slack_y;
                m_scale = scale;
            }
        }
    }
}

bool PropertiesImpl::load_pictures()
{
    for (const std::u16string& name : m_description.picture_names()) {
        Picture picture(m_path, name, false, m_scale);
        if (!picture.has_image()) {
            os::log() << u"PropertiesImpl::PropertiesImpl picture failed to load {" << name << u"}\n";
            return false;
        }
        m_pictures.push_back(std::move(picture));
    }
    return true;
}

void PropertiesImpl::load_fonts()
{
    for (const std::u16string& description : m_description.font_descriptions()) {
        Font font(m_scale);
        font.set(description);
        m_fonts.push_back(std::move(font));
    }
}

uint32_t PropertiesImpl::choose_form(std::u16string_view form)
{
    if (form == m_form_name)
        return m_form;
    m_form_name = form;
    m_form = 0;
    m_control_name.clear();
    m_control = 0;
    m_trace.clear();
    if (form.empty() || !m_valid)
        return 0;
    Size best;
    for (uint32_t record : m_description.preorder(m_description.form_root())) {
        std::u16string name = m_description.name(record);
        if (!m_description.name_starts_with(record, form)) {
            m_trace += u"-" + name + u"\n";
            continue;
        }
        uint32_t size_entry
            = m_description.find_property(record, PropertyType::point, u"Size", m_counters.comparisons);
        Point size = size_entry ? scaled(m_description.point_at(size_entry)) : Point {};
        uint32_t devices_entry
            = m_description.find_property(record, PropertyType::string, u"Devices", m_counters.comparisons);
        std::u16string devices = devices_entry ? m_description.string_at(devices_entry) : std::u16string();
        uint32_t fullscreen_entry = m_description.find_property(
            record, PropertyType::integer, u"Fullscreen", m_counters.comparisons);
        bool fullscreen = fullscreen_entry && m_description.integer_at(fullscreen_entry) != 0;

        m_trace += u"+" + name + u" Size=" + liba::to_text(int64_t(size.x)) + u" "
            + liba::to_text(int64_t(size.y)) + u" Devices=" + devices;
        Size area = fullscreen ? m_screen : m_workarea;
        if (good_for_device(devices, m_device)) {
            m_trace += u" good_for_device";
            bool fits = size.x <= area.width && size.y <= area.height;
            bool not_smaller = size.x > best.width || (size.x == best.width && size.y >= best.height);
            if (fits && not_smaller) {
                m_form = record;
                best = {size.x, size.y};
            }
        }
        m_trace += u"\n";
    }
    return m_form;
}

uint32_t PropertiesImpl::choose_control(std::u16string_view form, std::u16string_view control)
{
    uint32_t form_record = choose_form(form);
    if (form_record == 0)
        return 0;
    if (control == m_control_name && m_control != 0)
        return m_control;
    m_control_name = control;
    m_control
        = m_description.find_record(m_description.control_root(form_record), control, m_counters.comparisons);
    return m_control;
}

uint32_t PropertiesImpl::choose_kind(std::u16string_view kind)
{
    if (kind == m_kind_name)
        return m_kind;
    m_kind_name = kind;
    m_kind = m_description.find_record(m_description.kind_root(), kind, m_counters.comparisons);
    return m_kind;
}

uint32_t PropertiesImpl::entry_in(uint32_t record, PropertyType type, std::u16string_view name)
{
    uint32_t entry = m_description.find_property(record, type, name, m_counters.comparisons);
    if (entry != 0)
        ++m_counters.found;
    return entry;
}

uint32_t PropertiesImpl::control_entry(
    std::u16string_view form, std::u16string_view control, PropertyType type, std::u16string_view name)
{
    ++m_counters.lookups;
    if (!m_valid)
        report_no_skin();
    if (!form.empty()) {
        uint32_t record = choose_control(form, control);
        if (record == 0)
            report_no_control(form, control);
        return entry_in(record, type, name);
    }
    if (control.empty())
        return 0;
    uint32_t record = choose_kind(control);
    if (record == 0)
        report_no_kind(control);
    return entry_in(record, type, name);
}

uint32_t PropertiesImpl::form_entry(std::u16string_view form, PropertyType type, std::u16string_view name)
{
    ++m_counters.lookups;
    if (!m_valid)
        report_no_skin();
    uint32_t record = choose_form(form);
    if (record == 0)
        report_no_form(form);
    return entry_in(record, type, name);
}

Point PropertiesImpl::scaled(PointEntry point) const
{
    return {point.x * m_scale, point.y * m_scale};
}

Picture PropertiesImpl::picture_of(uint32_t entry) const
{
    PictureEntry stored = m_description.picture_at(entry);
    Picture picture = m_pictures.at(stored.index);
    auto at = [&](uint16_t x, uint16_t y) { return Point {x * m_scale, y * m_scale}; };
    picture.set_left_top(at(stored.left, stored.top));
    picture.set_inner_left_top(at(stored.inner_left, stored.inner_top));
    picture.set_inner_right_bottom(at(stored.inner_right, stored.inner_bottom));
    picture.set_right_bottom(at(stored.right, stored.bottom));
    picture.set_stretch(stored.stretch != 0);
    return picture;
}

int32_t PropertiesImpl::get_int(
    std::u16string_view form, std::u16string_view control, std::u16string_view name, int32_t def)
{
    uint32_t entry = control_entry(form, control, PropertyType::integer, name);
    return entry ? m_description.integer_at(entry) : def;
}

int32_t PropertiesImpl::get_int_scaled(
    std::u16string_view form, std::u16string_view control, std::u16string_view name, int32_t def)
{
    uint32_t entry = control_entry(form, control, PropertyType::integer, name);
    if (entry == 0)
        return def;
    // A value too large to scale stays at the end of the range rather than wrapping.
    int64_t value = int64_t(m_description.integer_at(entry)) * m_scale;
    return int32_t(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

Point PropertiesImpl::get_point(
    std::u16string_view form, std::u16string_view control, std::u16string_view name, Point def)
{
    uint32_t entry = control_entry(form, control, PropertyType::point, name);
    return entry ? scaled(m_description.point_at(entry)) : def;
}

std::u16string PropertiesImpl::get_string(std::u16string_view form, std::u16string_view control,
    std::u16string_view name, std::u16string_view def, const liba::StringTranslator& translator)
{
    uint32_t entry = control_entry(form, control, PropertyType::string, name);
    if (entry == 0)
        return std::u16string(def);
    return translator.translate(m_description.string_at(entry));
}

Color PropertiesImpl::get_color(
    std::u16string_view form, std::u16string_view control, std::u16string_view name, Color def)
{
    uint32_t entry = control_entry(form, control, PropertyType::colour, name);
    if (entry == 0)
        return def;
    ColourEntry colour = m_description.colour_at(entry);
    return {colour.bytes[0], colour.bytes[1], colour.bytes[2], colour.bytes[3]};
}

Picture PropertiesImpl::get_picture(
    std::u16string_view form, std::u16string_view control, std::u16string_view name, const Picture& def)
{
    uint32_t entry = control_entry(form, control, PropertyType::picture, name);
    return entry ? picture_of(entry) : def;
}

Font PropertiesImpl::get_font(
    std::u16string_view form, std::u16string_view control, std::u16string_view name, const Font& def)
{
    uint32_t entry = control_entry(form, control, PropertyType::font, name);
    return entry ? m_fonts.at(m_description.font_at(entry).index) : def;
}

os::Cursor PropertiesImpl::get_cursor(
    std::u16string_view form, std::u16string_view control, std::u16string_view name, os::Cursor def)
{
    uint32_t entry = control_entry(form, control, PropertyType::string, name);
    if (entry == 0)
        return def;
    return os::cursor_from_name(m_description.string_at(entry)).value_or(def);
}

int32_t PropertiesImpl::get_form_int(std::u16string_view form, std::u16string_view name, int32_t def)
{
    uint32_t entry = form_entry(form, PropertyType::integer, name);
    return entry ? m_description.integer_at(entry) : def;
}

Point PropertiesImpl::get_form_point(std::u16string_view form, std::u16string_view name, Point def)
{
    uint32_t entry = form_entry(form, PropertyType::point, name);
    return entry ? scaled(m_description.point_at(entry)) : def;
}

Picture PropertiesImpl::get_form_picture(
    std::u16string_view form, std::u16string_view name, const Picture& def)
{
    uint32_t entry = form_entry(form, PropertyType::picture, name);
    return entry ? picture_of(entry) : def;
}

uint32_t PropertiesImpl::auto_control_count(std::u16string_view form)
{
    uint32_t record = m_valid ? choose_form(form) : 0;
    return record ? m_description.auto_control_count(record) : 0;
}

std::pair<std::u16string, std::u16string> PropertiesImpl::auto_control(
    std::u16string_view form, uint32_t index)
{
    uint32_t record = m_valid ? choose_form(form) : 0;
    if (record == 0 || index >= m_description.auto_control_count(record))
        return {};
    AutoControl entry = m_description.auto_control(record, index);
    return {entry.control, entry.kind};
}

void PropertiesImpl::report_no_skin() const
{
    os::fatal_error(
        u"report_no_skin", u"Skin file {" + m_path + u"} was invalid, but no check_version performed");
}

void PropertiesImpl::report_no_kind(std::u16string_view kind) const
{
    // The caption is the one the form report uses; the message names the kind.
    os::fatal_error(
        u"report_no_form", u"Skin file {" + m_path + u"} has no kind {" + std::u16string(kind) + u"}");
}

void PropertiesImpl::report_no_control(std::u16string_view form, std::u16string_view control) const
{
    os::fatal_error(u"report_no_control",
        u"Skin file {" + m_path + u"} form {" + std::u16string(form) + u"} has no control {"
            + std::u16string(control) + u"}");
}

void PropertiesImpl::report_no_form(std::u16string_view form) const
{
    os::fatal_error(u"report_no_form",
        u"Skin file {" + m_path + u"} has no form {" + std::u16string(form) + u"} for workarea_size="
            + liba::to_text(int64_t(m_workarea.width)) + u" " + liba::to_text(int64_t(m_workarea.height))
            + u". list of all forms:\n" + m_trace);
}

} // namespace skinner
