#include "skinner/skin_description.h"

#include "liba/little_endian.h"

#include <algorithm>

namespace skinner {

using namespace skin_layout;

SkinDescription::SkinDescription(std::vector<uint8_t> bytes)
    : m_bytes(std::move(bytes))
{
    m_valid = validate();
    m_good_units = {};
    m_seen_records = {};
    if (!m_valid) {
        m_picture_names.clear();
        m_font_descriptions.clear();
    }
}

uint16_t SkinDescription::half(uint32_t offset) const
{
    if (!inside(offset, 2))
        return 0;
    return liba::load_le16(&m_bytes[offset]);
}

uint32_t SkinDescription::word(uint32_t offset) const
{
    if (!inside(offset, 4))
        return 0;
    return liba::load_le32(&m_bytes[offset]);
}

bool SkinDescription::validate()
{
    if (m_bytes.size() < s_header_size || m_bytes.size() > UINT32_MAX || !validate_header())
        return false;
    m_good_units.assign(m_bytes.size(), false);
    m_seen_records.assign(m_bytes.size(), false);
    if (!validate_name_list())
        return false;
    std::vector<uint32_t> control_roots;
    if (!validate_tree(form_root(), true, control_roots))
        return false;
    for (uint32_t root : control_roots) {
        if (!validate_tree(root, false, control_roots))
            return false;
    }
    return validate_tree(kind_root(), false, control_roots);
}

bool SkinDescription::validate_header() const
{
    for (uint32_t i = 0; i < s_magic.size(); ++i) {
        if (half(2 * i) != s_magic[i])
            return false;
    }
    return valid_field(s_version) && valid_field(s_devices);
}

bool SkinDescription::valid_field(uint32_t offset) const
{
    uint32_t i = 0;
    while (i < s_text_field_units && half(offset + 2 * i) != 0)
        ++i;
    if (i == s_text_field_units)
        return false;
    for (++i; i < s_text_field_units; ++i) {
        if (half(offset + 2 * i) != 0)
            return false;
    }
    return true;
}

bool SkinDescription::valid_string(uint32_t offset)
{
    uint64_t end = offset;
    bool found = false;
    for (; inside(end, 2); end += 2) {
        if (m_good_units[end] || half(uint32_t(end)) == 0) {
            found = true;
            break;
        }
    }
    if (!found)
        return false;
    for (uint64_t at = offset; at <= end; at += 2)
        m_good_units[at] = true;
    return true;
}

bool SkinDescription::validate_name_list()
{
    uint64_t count = uint64_t(word(s_picture_count)) + word(s_font_count);
    uint64_t at = word(s_name_list);
    for (uint64_t i = 0; i < count; ++i) {
        if (at > UINT32_MAX || !valid_string(uint32_t(at)))
            return false;
        std::u16string name = text(uint32_t(at));
        at += 2 * (uint64_t(name.size()) + 1);
        if (i < word(s_picture_count))
            m_picture_names.push_back(std::move(name));
        else
            m_font_descriptions.push_back(std::move(name));
    }
    return true;
}

bool SkinDescription::validate_tree(uint32_t root, bool forms, std::vector<uint32_t>& control_roots)
{
    // Each pending record comes with the names (string offsets, 0 = none) that bound its subtree.
    struct Pending {
        uint32_t record;
        uint32_t low;
        uint32_t high;
    };
    std::vector<Pending> pending;
    if (root != 0)
        pending.push_back({root, 0, 0});
    while (!pending.empty()) {
        auto [record, low, high] = pending.back();
        pending.pop_back();
        if (record < s_header_size || !inside(record, 1) || m_seen_records[record])
            return false;
        m_seen_records[record] = true;
        if (!validate_record(record, forms))
            return false;
        uint32_t name = word(record + 4 * s_word_name);
        if ((low != 0 && compare_strings(low, name) > 0) || (high != 0 && compare_strings(name, high) > 0))
            return false;
        if (forms && control_root(record) != 0)
            control_roots.push_back(control_root(record));
        if (left(record) != 0)
            pending.push_back({left(record), low, name});
        if (right(record) != 0)
            pending.push_back({right(record), name, high});
    }
    return true;
}

bool SkinDescription::validate_record(uint32_t record, bool form)
{
    if (!inside(record, form ? s_form_record_size : s_record_size))
        return false;
    if (!valid_string(word(record + 4 * s_word_name)))
        return false;
    for (size_t type = 0; type < s_property_type_count; ++type) {
        if (!validate_table(record, PropertyType(type)))
            return false;
    }
    if (!form)
        return true;
    uint32_t count = auto_control_count(record);
    if (!inside(uint64_t(record) + s_form_record_size, uint64_t(count) * s_auto_entry))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t entry = record + s_form_record_size + s_auto_entry * i;
        if (!valid_string(half(entry)) || !valid_string(half(entry + 2)))
            return false;
    }
    return true;
}

bool SkinDescription::validate_table(uint32_t record, PropertyType type)
{
    Range range = table(record, type);
    if (range.begin == range.end)
        return true;
    uint32_t size = s_entry_size[size_t(type)];
    if (range.begin > range.end || !inside(range.begin, range.end - range.begin)
        || (range.end - range.begin) % size != 0)
        return false;
    for (uint32_t entry = range.begin; entry < range.end; entry += size) {
        if (!valid_string(half(entry)))
            return false;
        if (entry > range.begin && compare_strings(half(entry - size), half(entry)) > 0)
            return false;
        if (type == PropertyType::string && !valid_string(half(entry + 2)))
            return false;
        if (type == PropertyType::picture && picture_at(entry).index >= m_picture_names.size())
            return false;
        if (type == PropertyType::font && font_at(entry).index >= m_font_descriptions.size())
            return false;
    }
    return true;
}

SkinDescription::Range SkinDescription::table(uint32_t record, PropertyType type) const
{
    uint32_t at = record + 4 * (s_word_tables + 2 * uint32_t(type));
    return {word(at), word(at + 4)};
}

std::u16string SkinDescription::text(uint32_t offset) const
{
    std::u16string result;
    for (uint64_t at = offset; inside(at, 2); at += 2) {
        char16_t unit = half(uint32_t(at));
        if (unit == 0)
            break;
        result.push_back(unit);
    }
    return result;
}

int SkinDescription::compare(std::u16string_view key, uint32_t offset) const
{
    for (size_t i = 0;; ++i) {
        uint64_t at = uint64_t(offset) + 2 * i;
        char16_t unit = inside(at, 2) ? half(uint32_t(at)) : 0;
        if (i == key.size())
            return unit == 0 ? 0 : -1;
        if (unit == 0)
            return 1;
        if (key[i] != unit)
            return key[i] < unit ? -1 : 1;
    }
}

int SkinDescription::compare_strings(uint32_t a, uint32_t b) const
{
    for (uint64_t i = 0;; i += 2) {
        char16_t x = inside(a + i, 2) ? half(uint32_t(a + i)) : 0;
        char16_t y = inside(b + i, 2) ? half(uint32_t(b + i)) : 0;
        if (x != y)
            return x < y ? -1 : 1;
        if (x == 0)
            return 0;
    }
}

std::u16string SkinDescription::version() const
{
    return text(s_version);
}

std::u16string SkinDescription::devices() const
{
    return text(s_devices);
}

SkinSize SkinDescription::size_entry(uint32_t index) const
{
    if (index >= s_size_entries)
        return {};
    uint32_t at = s_sizes + s_size_entry * index;
    return {word(at), word(at + 4), word(at + 8)};
}

std::u16string SkinDescription::name(uint32_t record) const
{
    return text(word(record + 4 * s_word_name));
}

AutoControl SkinDescription::auto_control(uint32_t form, uint32_t index) const
{
    if (index >= auto_control_count(form))
        return {};
    uint32_t entry = form + s_form_record_size + s_auto_entry * index;
    return {text(half(entry)), text(half(entry + 2))};
}

std::vector<uint32_t> SkinDescription::preorder(uint32_t root) const
{
    std::vector<uint32_t> order;
    std::vector<uint32_t> pending;
    if (m_valid && root != 0)
        pending.push_back(root);
    while (!pending.empty()) {
        uint32_t record = pending.back();
        pending.pop_back();
        order.push_back(record);
        if (right(record) != 0)
            pending.push_back(right(record));
        if (left(record) != 0)
            pending.push_back(left(record));
    }
    return order;
}

bool SkinDescription::name_starts_with(uint32_t record, std::u16string_view prefix) const
{
    uint32_t offset = word(record + 4 * s_word_name);
    for (size_t i = 0; i < prefix.size(); ++i) {
        uint64_t at = uint64_t(offset) + 2 * i;
        if (!inside(at, 2) || half(uint32_t(at)) != prefix[i])
            return false;
    }
    return true;
}

uint32_t SkinDescription::find_record(uint32_t root, std::u16string_view key, uint64_t& comparisons) const
{
    if (!m_valid)
        return 0;
    // Validated trees have no loops; the step bound only guards against a mistake here.
    uint64_t steps = m_bytes.size() / s_record_size + 1;
    for (uint32_t record = root; record != 0 && steps-- > 0;) {
        ++comparisons;
        int order = compare(key, word(record + 4 * s_word_name));
        if (order == 0)
            return record;
        record = order < 0 ? left(record) : right(record);
    }
    return 0;
}

uint32_t SkinDescription::find_property(
    uint32_t record, PropertyType type, std::u16string_view key, uint64_t& comparisons) const
{
    if (!m_valid || record == 0)
        return 0;
    Range range = table(record, type);
    uint32_t size = s_entry_size[size_t(type)];
    uint32_t low = 0;
    uint32_t high = range.end > range.begin ? (range.end - range.begin) / size : 0;
    while (low < high) {
        uint32_t probe = low + (high - low) / 2;
        uint32_t entry = range.begin + probe * size;
        ++comparisons;
        int order = compare(key, half(entry));
        if (order == 0)
            return entry;
        if (order < 0)
            high = probe;
        else
            low = probe + 1;
    }
    return 0;
}

PointEntry SkinDescription::point_at(uint32_t entry) const
{
    return {int16_t(half(entry + 2)), int16_t(half(entry + 4))};
}

PictureEntry SkinDescription::picture_at(uint32_t entry) const
{
    PictureEntry picture;
    uint16_t* fields[] = {&picture.left, &picture.top, &picture.inner_left, &picture.inner_top,
        &picture.inner_right, &picture.inner_bottom, &picture.right, &picture.bottom};
    for (uint32_t i = 0; i < 8; ++i)
        *fields[i] = half(entry + 2 + 2 * i);
    if (inside(entry, 20)) {
        picture.index = m_bytes[entry + 18];
        picture.stretch = m_bytes[entry + 19];
    }
    return picture;
}

ColourEntry SkinDescription::colour_at(uint32_t entry) const
{
    ColourEntry colour;
    if (inside(entry, 6))
        std::copy_n(m_bytes.begin() + entry + 2, 4, colour.bytes.begin());
    return colour;
}

std::vector<uint32_t> SkinDescription::entries(uint32_t record, PropertyType type) const
{
    std::vector<uint32_t> result;
    Range range = table(record, type);
    if (!m_valid || range.end <= range.begin)
        return result;
    for (uint32_t entry = range.begin; entry < range.end; entry += s_entry_size[size_t(type)])
        result.push_back(entry);
    return result;
}

PropertyValue SkinDescription::value_at(uint32_t entry, PropertyType type) const
{
    switch (type) {
    case PropertyType::integer:
        return integer_at(entry);
    case PropertyType::point:
        return point_at(entry);
    case PropertyType::string:
        return string_at(entry);
    case PropertyType::picture:
        return picture_at(entry);
    case PropertyType::colour:
        return colour_at(entry);
    case PropertyType::font:
        return font_at(entry);
    }
    return int32_t(0);
}

SkinRecord SkinDescription::record_model(uint32_t record) const
{
    SkinRecord model;
    model.name = name(record);
    for (size_t type = 0; type < s_property_type_count; ++type) {
        for (uint32_t entry : entries(record, PropertyType(type)))
            model.properties.push_back({property_name(entry), value_at(entry, PropertyType(type))});
    }
    return model;
}

namespace {

template<typename T> void sort_by_name(std::vector<T>& items, auto name_of)
{
    std::stable_sort(
        items.begin(), items.end(), [&](const T& a, const T& b) { return name_of(a) < name_of(b); });
}

} // namespace

SkinModel SkinDescription::to_model() const
{
    SkinModel model;
    if (!m_valid)
        return model;
    model.version = version();
    model.devices = devices();
    for (uint32_t i = 0; i < s_size_entries; ++i)
        model.sizes.push_back(size_entry(i));
    while (!model.sizes.empty() && model.sizes.back() == SkinSize {})
        model.sizes.pop_back();
    for (const std::u16string& name : m_picture_names)
        model.pictures.push_back({name});
    for (const std::u16string& description : m_font_descriptions)
        model.fonts.push_back({description});
    for (uint32_t record : preorder(form_root())) {
        SkinForm form;
        form.record = record_model(record);
        for (uint32_t control : preorder(control_root(record)))
            form.controls.push_back(record_model(control));
        sort_by_name(form.controls, [](const SkinRecord& r) { return r.name; });
        for (uint32_t i = 0; i < auto_control_count(record); ++i)
            form.auto_controls.push_back(auto_control(record, i));
        model.forms.push_back(std::move(form));
    }
    sort_by_name(model.forms, [](const SkinForm& f) { return f.record.name; });
    for (uint32_t record : preorder(kind_root()))
        model.kinds.push_back(record_model(record));
    sort_by_name(model.kinds, [](const SkinRecord& r) { return r.name; });
    return model;
}

} // namespace skinner
