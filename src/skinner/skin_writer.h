#pragma once

// Turns a SkinModel into description bytes (layout in skin_layout.h). It lives beside the reader so
// that the skin compiler, the tests, the benchmarks and the fuzz seeds all make descriptions the
// same way.
//
// The layout is canonical: it depends on the model's content, never on the order in which forms,
// controls, kinds or properties are listed, so a description read back into a model and written
// again comes out byte for byte the same. Only the orders that mean something are kept as given:
// the size list, the picture list, the font list and each form's auto controls.
//
//   header | string pool | name list | forms (each: record, tables, then its controls, each
//   with its tables) | kinds (record, tables)
//
// Forms, controls, kinds and table entries are sorted by name (code-unit order); every tree is
// balanced, its root being the middle name. The pool holds each string once, first the strings
// named by 16-bit offsets (property names, string values, auto-control names), sorted, then the
// record names not among them, sorted. Records and tables start on 4-byte boundaries.
//
// A model that cannot be written gives errors, each with the model line it concerns.

#include "skinner/skin_model.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace skinner {

struct SkinWriteError {
    int line = 0;
    std::u16string message;
};

class SkinWriter {
public:
    // Checks and lays out the model at once.
    explicit SkinWriter(const SkinModel& model);

    bool good() const { return m_errors.empty(); }
    const std::vector<SkinWriteError>& errors() const { return m_errors; }
    // The description; empty when there are errors.
    const std::vector<uint8_t>& bytes() const { return m_bytes; }

private:
    void check_header(const SkinModel& model);
    void check_lists(const SkinModel& model);
    void check_records(const SkinModel& model);
    void check_record(const SkinRecord& record, const SkinModel& model);
    void check_name(const std::u16string& name, int line, std::u16string_view what);
    void error(int line, std::u16string message);

    void collect_strings(const SkinModel& model);
    void add_short(const std::u16string& text, int line);
    void lay_out_pool();

    void write_header(const SkinModel& model);
    void write_name_list(const SkinModel& model);
    uint32_t write_record(const SkinRecord& record, const std::vector<AutoControl>* auto_controls);
    void write_table(uint32_t record, const SkinRecord& source, PropertyType type);
    void write_entry(const SkinProperty& property);
    // Links the records, sorted by name, into a balanced tree and returns its root.
    uint32_t link_tree(const std::vector<uint32_t>& records, size_t begin, size_t end);

    void align();
    void put16(uint32_t at, uint16_t value);
    void put32(uint32_t at, uint32_t value);
    void append_text(std::u16string_view text);

    std::vector<SkinWriteError> m_errors;
    std::vector<uint8_t> m_bytes;
    // Strings named by 16-bit offsets, with the first model line that uses each; record names.
    std::map<std::u16string, int> m_short_strings;
    std::map<std::u16string, int> m_long_strings;
    std::map<std::u16string, uint32_t> m_pool;
};

} // namespace skinner
