#pragma once

// A compiled skin description (layout in skin_layout.h), held as one byte block and searched in
// place. The constructor validates the whole block once, so that every later read stays inside
// it; a block that fails any check is invalid and offers nothing but valid() == false.
//
// Checks, beyond the header's own (length, magic, the 32-unit rule of the version and device
// fields):
//   - every string read (record names, property names, string values, auto-control names, the
//     name list) is terminated inside the block;
//   - every record lies at or after the header and wholly inside the block, a form record with
//     its auto-control entries;
//   - each tree is a tree: no record is reached twice, across all trees, so walks and searches
//     end after at most one visit per record;
//   - every table range lies inside the block and holds a whole number of entries (an empty
//     range, begin = end, is not looked at);
//   - picture and font indices name entries of the picture and font lists;
//   - trees and tables are in name order (equal names allowed), so that a search finds every
//     record and property the description holds.
// Reads are byte-wise, so records and tables need no particular alignment.
//
// Record and entry handles are byte offsets; 0 means none. Comparisons made by the searches are
// added to the counter the caller passes. Not synchronised: one thread at a time.

#include "skinner/skin_layout.h"
#include "skinner/skin_model.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skinner {

class SkinDescription {
public:
    // An invalid, empty description.
    SkinDescription() = default;
    explicit SkinDescription(std::vector<uint8_t> bytes);

    bool valid() const { return m_valid; }
    const std::vector<uint8_t>& bytes() const { return m_bytes; }

    // Header fields; only meaningful on a valid description.
    std::u16string version() const;
    std::u16string devices() const;
    // Entry 0..31 of the size list.
    SkinSize size_entry(uint32_t index) const;
    uint32_t form_root() const { return word(skin_layout::s_form_root); }
    uint32_t kind_root() const { return word(skin_layout::s_kind_root); }
    const std::vector<std::u16string>& picture_names() const { return m_picture_names; }
    const std::vector<std::u16string>& font_descriptions() const { return m_font_descriptions; }

    // Records.
    uint32_t left(uint32_t record) const { return word(record + 4 * skin_layout::s_word_left); }
    uint32_t right(uint32_t record) const { return word(record + 4 * skin_layout::s_word_right); }
    std::u16string name(uint32_t record) const;
    uint32_t control_root(uint32_t form) const { return word(form + 4 * skin_layout::s_word_control_root); }
    uint32_t auto_control_count(uint32_t form) const
    {
        return word(form + 4 * skin_layout::s_word_auto_count);
    }
    // Entry index (< auto_control_count) of a form record.
    AutoControl auto_control(uint32_t form, uint32_t index) const;
    // The records of a tree: node, left subtree, right subtree.
    std::vector<uint32_t> preorder(uint32_t root) const;
    // Whether the record's name starts with prefix (an empty prefix matches every record).
    bool name_starts_with(uint32_t record, std::u16string_view prefix) const;

    // The record of the tree named exactly key, or 0.
    uint32_t find_record(uint32_t root, std::u16string_view key, uint64_t& comparisons) const;
    // The entry of the record's table of that type named exactly key, or 0.
    uint32_t find_property(
        uint32_t record, PropertyType type, std::u16string_view key, uint64_t& comparisons) const;

    // Values of table entries found by find_property (or listed by entries), as stored.
    int32_t integer_at(uint32_t entry) const { return int32_t(word(entry + 4)); }
    PointEntry point_at(uint32_t entry) const;
    std::u16string string_at(uint32_t entry) const { return text(half(entry + 2)); }
    PictureEntry picture_at(uint32_t entry) const;
    ColourEntry colour_at(uint32_t entry) const;
    FontEntry font_at(uint32_t entry) const { return {word(entry + 4)}; }
    // Every entry of one table, in stored order, with its property name.
    std::vector<uint32_t> entries(uint32_t record, PropertyType type) const;
    std::u16string property_name(uint32_t entry) const { return text(half(entry)); }

    // Everything the description holds; empty for an invalid one.
    SkinModel to_model() const;

private:
    struct Range {
        uint32_t begin = 0;
        uint32_t end = 0;
    };

    bool validate();
    bool validate_header() const;
    bool validate_name_list();
    bool validate_tree(uint32_t root, bool forms, std::vector<uint32_t>& control_roots);
    bool validate_record(uint32_t record, bool form);
    bool validate_table(uint32_t record, PropertyType type);
    bool valid_field(uint32_t offset) const;
    // Whether a terminated string starts at offset. Units already seen to lead to a terminator
    // are remembered, so that checking many strings costs one pass over the block.
    bool valid_string(uint32_t offset);
    bool inside(uint64_t offset, uint64_t count) const { return offset + count <= m_bytes.size(); }

    uint16_t half(uint32_t offset) const;
    uint32_t word(uint32_t offset) const;
    Range table(uint32_t record, PropertyType type) const;
    std::u16string text(uint32_t offset) const;
    // Ordinal comparison of key with the string at offset: < 0, 0, > 0.
    int compare(std::u16string_view key, uint32_t offset) const;
    // The same for two strings of the description, already known to be terminated.
    int compare_strings(uint32_t a, uint32_t b) const;
    SkinRecord record_model(uint32_t record) const;
    PropertyValue value_at(uint32_t entry, PropertyType type) const;

    std::vector<uint8_t> m_bytes;
    bool m_valid = false;
    std::vector<std::u16string> m_picture_names;
    std::vector<std::u16string> m_font_descriptions;
    // Validation only, indexed by byte offset: units that lead to a terminator, records reached.
    std::vector<bool> m_good_units;
    std::vector<bool> m_seen_records;
};

} // namespace skinner
