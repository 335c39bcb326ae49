#pragma once

// Reads a skin source (the XML format of docs/skin-format.md) into a SkinModel and finds the
// bitmap files it names beside it. Every problem is collected with the source line it concerns:
// malformed XML, unknown elements, attributes and property types, values out of range, picture
// rectangles outside their bitmap, malformed font descriptions, missing or unreadable bitmaps and
// companions whose size differs from their bitmap. Duplicate names and the limits of the
// description (256 pictures, the first 64 KiB for strings) are the writer's checks.

#include "skinner/skin_model.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace skinc {

struct SourceError {
    int line = 0;
    std::u16string message;
};

// The files of one picture of the list: "<name>.bmp" and its companions "<name>_1.bmp" (mask)
// and "<name>_8.bmp" (alpha map), as archive entry names with the files they come from.
struct BitmapFiles {
    std::vector<std::pair<std::u16string, std::filesystem::path>> entries;
    int32_t width = 0;
    int32_t height = 0;
};

// Whether an archive entry name stays inside the skin's folder: relative, without empty, "." or
// ".." components, without ":".
bool safe_entry_name(std::u16string_view name);

class SkinSource {
public:
    explicit SkinSource(const std::filesystem::path& xml);

    bool good() const { return m_errors.empty(); }
    const std::vector<SourceError>& errors() const { return m_errors; }
    const skinner::SkinModel& model() const { return m_model; }
    // One per picture of the model's list, in list order.
    const std::vector<BitmapFiles>& bitmaps() const { return m_bitmaps; }

private:
    struct Element;

    void read_skin(const Element& skin);
    void read_size(const Element& element);
    // The children of a list element, each an <item> with one attribute whose value take gets;
    // anything else is an error.
    void read_list(const Element& element, const char* item, const char* attribute,
        const std::function<void(const std::u16string& value, int line)>& take);
    void read_bitmap_list(const Element& element);
    void read_font_list(const Element& element);
    void read_form(const Element& element);
    skinner::SkinRecord read_record(const Element& element, bool form);
    std::optional<skinner::PropertyValue> read_value(const Element& element);
    std::optional<skinner::PictureEntry> read_picture(const Element& element);

    // The index of a picture in the list, adding it (and reading its bitmap) on first use.
    std::optional<uint32_t> picture_index(const std::u16string& name, int line);
    bool load_bitmap(const std::u16string& name, int line, BitmapFiles& files);
    std::optional<uint32_t> font_index(const std::u16string& description, int line);

    void error(int line, std::u16string message);
    // The line of a byte offset into the source (pugixml's offsets; -1 gives 0, unknown).
    int line_of(ptrdiff_t offset) const;

    std::filesystem::path m_folder;
    std::vector<size_t> m_line_starts;
    std::vector<SourceError> m_errors;
    skinner::SkinModel m_model;
    std::vector<BitmapFiles> m_bitmaps;
    std::map<std::u16string, uint32_t> m_picture_indices;
    std::map<std::u16string, uint32_t> m_font_indices;
};

} // namespace skinc
