#include "skinner/skin_writer.h"

#include "liba/little_endian.h"
#include "liba/text.h"

#include <algorithm>
#include <set>

namespace skinner {

using namespace skin_layout;

namespace {

std::u16string braced(std::u16string_view text)
{
    return u"{" + std::u16string(text) + u"}";
}

std::u16string_view type_name(PropertyType type)
{
    static constexpr std::u16string_view names[]
        = {u"int", u"point", u"string", u"picture", u"colour", u"font"};
    return names[size_t(type)];
}

bool has_zero(std::u16string_view text)
{
    return text.find(u'\0') != std::u16string_view::npos;
}

// The first line of two, 0 meaning none.
int earlier(int a, int b)
{
    if (a == 0)
        return b;
    if (b == 0)
        return a;
    return std::min(a, b);
}

std::vector<const SkinRecord*> sorted(const std::vector<SkinRecord>& records)
{
    std::vector<const SkinRecord*> result;
    for (const SkinRecord& record : records)
        result.push_back(&record);
    std::sort(result.begin(), result.end(), [](auto* a, auto* b) { return a->name < b->name; });
    return result;
}

} // namespace

SkinWriter::SkinWriter(const SkinModel& model)
{
    check_header(model);
    check_lists(model);
    check_records(model);
    if (!good())
        return;
    collect_strings(model);
    lay_out_pool();
    if (!good())
        return;
    write_header(model);
    write_name_list(model);

    std::vector<const SkinForm*> forms;
    for (const SkinForm& form : model.forms)
        forms.push_back(&form);
    std::sort(forms.begin(), forms.end(), [](auto* a, auto* b) { return a->record.name < b->record.name; });
    std::vector<uint32_t> form_records;
    for (const SkinForm* form : forms) {
        uint32_t record = write_record(form->record, &form->auto_controls);
        std::vector<uint32_t> controls;
        for (const SkinRecord* control : sorted(form->controls))
            controls.push_back(write_record(*control, nullptr));
        put32(record + 4 * s_word_control_root, link_tree(controls, 0, controls.size()));
        form_records.push_back(record);
    }
    std::vector<uint32_t> kinds;
    for (const SkinRecord* kind : sorted(model.kinds))
        kinds.push_back(write_record(*kind, nullptr));
    put32(s_form_root, link_tree(form_records, 0, form_records.size()));
    put32(s_kind_root, link_tree(kinds, 0, kinds.size()));
}

void SkinWriter::error(int line, std::u16string message)
{
    m_errors.push_back({line, std::move(message)});
    m_bytes.clear();
}

void SkinWriter::check_header(const SkinModel& model)
{
    for (auto [text, what] :
        {std::pair {&model.version, u"version"}, std::pair {&model.devices, u"device list"}}) {
        if (text->size() >= s_text_field_units)
            error(model.line, std::u16string(what) + u" " + braced(*text) + u" is longer than 31 characters");
        if (has_zero(*text))
            error(model.line, std::u16string(what) + u" holds a zero character");
    }
    if (model.sizes.size() > s_size_entries)
        error(model.sizes[s_size_entries].line, u"more than 32 sizes");
}

void SkinWriter::check_lists(const SkinModel& model)
{
    if (model.pictures.size() > s_max_pictures)
        error(model.pictures[s_max_pictures].line, u"more than 256 pictures");
    std::set<std::u16string> names;
    for (const SkinText& picture : model.pictures) {
        check_name(picture.text, picture.line, u"picture");
        if (!names.insert(picture.text).second)
            error(picture.line, u"duplicate picture " + braced(picture.text));
    }
    names.clear();
    for (const SkinText& font : model.fonts) {
        check_name(font.text, font.line, u"font");
        if (!names.insert(font.text).second)
            error(font.line, u"duplicate font " + braced(font.text));
    }
}

void SkinWriter::check_name(const std::u16string& name, int line, std::u16string_view what)
{
    if (name.empty())
        error(line, std::u16string(what) + u" without a name");
    else if (has_zero(name))
        error(line, std::u16string(what) + u" name " + braced(name) + u" holds a zero character");
}

void SkinWriter::check_records(const SkinModel& model)
{
    std::set<std::u16string> forms;
    for (const SkinForm& form : model.forms) {
        check_name(form.record.name, form.record.line, u"form");
        if (!forms.insert(form.record.name).second)
            error(form.record.line, u"duplicate form " + braced(form.record.name));
        check_record(form.record, model);
        std::set<std::u16string> controls;
        for (const SkinRecord& control : form.controls) {
            check_name(control.name, control.line, u"control");
            if (!controls.insert(control.name).second)
                error(control.line,
                    u"duplicate control " + braced(control.name) + u" in form " + braced(form.record.name));
            check_record(control, model);
        }
        for (const AutoControl& entry : form.auto_controls) {
            check_name(entry.control, entry.line, u"auto control");
            check_name(entry.kind, entry.line, u"auto-control kind");
            if (!controls.contains(entry.control))
                error(entry.line,
                    u"auto control " + braced(entry.control) + u" has no control in form "
                        + braced(form.record.name));
        }
    }
    std::set<std::u16string> kinds;
    for (const SkinRecord& kind : model.kinds) {
        check_name(kind.name, kind.line, u"kind");
        if (!kinds.insert(kind.name).second)
            error(kind.line, u"duplicate kind " + braced(kind.name));
        check_record(kind, model);
    }
}

void SkinWriter::check_record(const SkinRecord& record, const SkinModel& model)
{
    std::set<std::pair<PropertyType, std::u16string>> seen;
    for (const SkinProperty& property : record.properties) {
        PropertyType type = type_of(property.value);
        check_name(property.name, property.line, u"property");
        if (!seen.insert({type, property.name}).second)
            error(property.line,
                u"duplicate " + std::u16string(type_name(type)) + u" property " + braced(property.name)
                    + u" in " + braced(record.name));
        if (auto* text = std::get_if<std::u16string>(&property.value); text && has_zero(*text))
            error(property.line, u"string " + braced(property.name) + u" holds a zero character");
        if (auto* picture = std::get_if<PictureEntry>(&property.value);
            picture && picture->index >= model.pictures.size())
            error(property.line,
                u"picture index " + liba::to_text(int64_t(picture->index)) + u" is not in the picture list");
        if (auto* font = std::get_if<FontEntry>(&property.value); font && font->index >= model.fonts.size())
            error(property.line,
                u"font index " + liba::to_text(int64_t(font->index)) + u" is not in the font list");
    }
}

void SkinWriter::add_short(const std::u16string& text, int line)
{
    auto [at, added] = m_short_strings.emplace(text, line);
    if (!added)
        at->second = earlier(at->second, line);
}

void SkinWriter::collect_strings(const SkinModel& model)
{
    auto add_record = [&](const SkinRecord& record) {
        auto [at, added] = m_long_strings.emplace(record.name, record.line);
        if (!added)
            at->second = earlier(at->second, record.line);
        for (const SkinProperty& property : record.properties) {
            add_short(property.name, property.line);
            if (auto* text = std::get_if<std::u16string>(&property.value))
                add_short(*text, property.line);
        }
    };
    for (const SkinForm& form : model.forms) {
        add_record(form.record);
        for (const SkinRecord& control : form.controls)
            add_record(control);
        for (const AutoControl& entry : form.auto_controls) {
            add_short(entry.control, entry.line);
            add_short(entry.kind, entry.line);
        }
    }
    for (const SkinRecord& kind : model.kinds)
        add_record(kind);
}

void SkinWriter::lay_out_pool()
{
    uint32_t at = s_header_size;
    for (const auto& [text, line] : m_short_strings) {
        if (at >= s_short_offset_limit) {
            error(
                line, u"string " + braced(text) + u" would start beyond the first 64 KiB of the description");
            return;
        }
        m_pool[text] = at;
        at += 2 * (uint32_t(text.size()) + 1);
    }
    for (const auto& [text, line] : m_long_strings) {
        if (m_pool.emplace(text, at).second)
            at += 2 * (uint32_t(text.size()) + 1);
    }
}

void SkinWriter::write_header(const SkinModel& model)
{
    m_bytes.assign(s_header_size, 0);
    for (uint32_t i = 0; i < s_magic.size(); ++i)
        put16(2 * i, s_magic[i]);
    for (size_t i = 0; i < model.version.size(); ++i)
        put16(s_version + 2 * uint32_t(i), model.version[i]);
    for (size_t i = 0; i < model.devices.size(); ++i)
        put16(s_devices + 2 * uint32_t(i), model.devices[i]);
    put32(s_picture_count, uint32_t(model.pictures.size()));
    put32(s_font_count, uint32_t(model.fonts.size()));
    for (size_t i = 0; i < model.sizes.size(); ++i) {
        uint32_t at = s_sizes + s_size_entry * uint32_t(i);
        put32(at, model.sizes[i].width);
        put32(at + 4, model.sizes[i].height);
        put32(at + 8, model.sizes[i].reserved);
    }
    // The pool follows in offset order: the short strings, then the other record names.
    std::vector<std::pair<uint32_t, const std::u16string*>> pool;
    for (const auto& [text, offset] : m_pool)
        pool.push_back({offset, &text});
    std::sort(pool.begin(), pool.end());
    for (const auto& [offset, text] : pool)
        append_text(*text);
}

void SkinWriter::write_name_list(const SkinModel& model)
{
    align();
    put32(s_name_list, uint32_t(m_bytes.size()));
    for (const SkinText& picture : model.pictures)
        append_text(picture.text);
    for (const SkinText& font : model.fonts)
        append_text(font.text);
}

uint32_t SkinWriter::write_record(const SkinRecord& record, const std::vector<AutoControl>* auto_controls)
{
    align();
    uint32_t offset = uint32_t(m_bytes.size());
    m_bytes.resize(m_bytes.size() + (auto_controls ? s_form_record_size : s_record_size), 0);
    put32(offset + 4 * s_word_name, m_pool.at(record.name));
    if (auto_controls) {
        put32(offset + 4 * s_word_auto_count, uint32_t(auto_controls->size()));
        for (const AutoControl& entry : *auto_controls) {
            liba::append_le16(m_bytes, uint16_t(m_pool.at(entry.control)));
            liba::append_le16(m_bytes, uint16_t(m_pool.at(entry.kind)));
        }
    }
    for (size_t type = 0; type < s_property_type_count; ++type)
        write_table(offset, record, PropertyType(type));
    return offset;
}

void SkinWriter::write_table(uint32_t record, const SkinRecord& source, PropertyType type)
{
    std::vector<const SkinProperty*> entries;
    for (const SkinProperty& property : source.properties) {
        if (type_of(property.value) == type)
            entries.push_back(&property);
    }
    std::sort(entries.begin(), entries.end(), [](auto* a, auto* b) { return a->name < b->name; });
    align();
    uint32_t at = record + 4 * (s_word_tables + 2 * uint32_t(type));
    put32(at, uint32_t(m_bytes.size()));
    for (const SkinProperty* property : entries)
        write_entry(*property);
    put32(at + 4, uint32_t(m_bytes.size()));
}

void SkinWriter::write_entry(const SkinProperty& property)
{
    liba::append_le16(m_bytes, uint16_t(m_pool.at(property.name)));
    std::visit(
        [&](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, int32_t>) {
                liba::append_le16(m_bytes, 0);
                liba::append_le32(m_bytes, uint32_t(value));
            } else if constexpr (std::is_same_v<T, PointEntry>) {
                liba::append_le16(m_bytes, uint16_t(value.x));
                liba::append_le16(m_bytes, uint16_t(value.y));
            } else if constexpr (std::is_same_v<T, std::u16string>) {
                liba::append_le16(m_bytes, uint16_t(m_pool.at(value)));
            } else if constexpr (std::is_same_v<T, PictureEntry>) {
                for (uint16_t field : {value.left, value.top, value.inner_left, value.inner_top,
                         value.inner_right, value.inner_bottom, value.right, value.bottom})
                    liba::append_le16(m_bytes, field);
                m_bytes.push_back(value.index);
                m_bytes.push_back(value.stretch);
            } else if constexpr (std::is_same_v<T, ColourEntry>) {
                m_bytes.insert(m_bytes.end(), value.bytes.begin(), value.bytes.end());
            } else {
                liba::append_le16(m_bytes, 0);
                liba::append_le32(m_bytes, value.index);
            }
        },
        property.value);
}

uint32_t SkinWriter::link_tree(const std::vector<uint32_t>& records, size_t begin, size_t end)
{
    if (begin >= end)
        return 0;
    size_t middle = begin + (end - begin) / 2;
    uint32_t root = records[middle];
    put32(root + 4 * s_word_left, link_tree(records, begin, middle));
    put32(root + 4 * s_word_right, link_tree(records, middle + 1, end));
    return root;
}

void SkinWriter::align()
{
    while (m_bytes.size() % 4 != 0)
        m_bytes.push_back(0);
}

void SkinWriter::put16(uint32_t at, uint16_t value)
{
    liba::store_le16(&m_bytes[at], value);
}

void SkinWriter::put32(uint32_t at, uint32_t value)
{
    liba::store_le32(&m_bytes[at], value);
}

void SkinWriter::append_text(std::u16string_view text)
{
    for (char16_t unit : text)
        liba::append_le16(m_bytes, unit);
    liba::append_le16(m_bytes, 0);
}

} // namespace skinner
