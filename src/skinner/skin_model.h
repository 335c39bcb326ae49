#pragma once

// A skin description as plain values: what SkinWriter turns into description bytes, what
// SkinDescription::to_model reads back, and what the skin compiler builds from its XML source.
// Values are held as the description stores them (unscaled, untranslated, indices into the
// picture and font lists). Line numbers point into the source a model came from (0 = none) so
// that the writer's errors can name them.

#include "skinner/skin_layout.h"

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace skinner {

struct PointEntry {
    int16_t x = 0;
    int16_t y = 0;
    friend bool operator==(const PointEntry&, const PointEntry&) = default;
};

// A picture property: the source rectangle, its inner (nine-part) rectangle, the index into the
// picture list and the stretch flag (not 0 = stretch edges and centre, 0 = tile them).
struct PictureEntry {
    uint16_t left = 0;
    uint16_t top = 0;
    uint16_t inner_left = 0;
    uint16_t inner_top = 0;
    uint16_t inner_right = 0;
    uint16_t inner_bottom = 0;
    uint16_t right = 0;
    uint16_t bottom = 0;
    uint8_t index = 0;
    uint8_t stretch = 0;
    friend bool operator==(const PictureEntry&, const PictureEntry&) = default;
};

// Red, green, blue and a fourth byte carried along.
struct ColourEntry {
    std::array<uint8_t, 4> bytes {};
    friend bool operator==(const ColourEntry&, const ColourEntry&) = default;
};

struct FontEntry {
    uint32_t index = 0;
    friend bool operator==(const FontEntry&, const FontEntry&) = default;
};

// The alternative's index is the PropertyType.
using PropertyValue = std::variant<int32_t, PointEntry, std::u16string, PictureEntry, ColourEntry, FontEntry>;

inline PropertyType type_of(const PropertyValue& value)
{
    return PropertyType(value.index());
}

struct SkinProperty {
    std::u16string name;
    PropertyValue value;
    int line = 0;
    friend bool operator==(const SkinProperty& a, const SkinProperty& b)
    {
        return a.name == b.name && a.value == b.value;
    }
};

// A kind, a control or the form-level part of a form.
struct SkinRecord {
    std::u16string name;
    std::vector<SkinProperty> properties;
    int line = 0;
    friend bool operator==(const SkinRecord& a, const SkinRecord& b)
    {
        return a.name == b.name && a.properties == b.properties;
    }
};

// A control the form creates by itself, of the named kind ("Auto.Button", "Auto.Frame").
struct AutoControl {
    std::u16string control;
    std::u16string kind;
    int line = 0;
    friend bool operator==(const AutoControl& a, const AutoControl& b)
    {
        return a.control == b.control && a.kind == b.kind;
    }
};

struct SkinForm {
    SkinRecord record;
    std::vector<SkinRecord> controls;
    std::vector<AutoControl> auto_controls;
    friend bool operator==(const SkinForm&, const SkinForm&) = default;
};

// A screen size the skin is laid out for; the reserved word is carried along and never read.
struct SkinSize {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t reserved = 0;
    int line = 0;
    friend bool operator==(const SkinSize& a, const SkinSize& b)
    {
        return a.width == b.width && a.height == b.height && a.reserved == b.reserved;
    }
};

// A picture name (an archive entry name without ".bmp") or a font description.
struct SkinText {
    std::u16string text;
    int line = 0;
    friend bool operator==(const SkinText& a, const SkinText& b) { return a.text == b.text; }
};

struct SkinModel {
    std::u16string version;
    std::u16string devices;
    std::vector<SkinSize> sizes;
    std::vector<SkinText> pictures;
    std::vector<SkinText> fonts;
    std::vector<SkinForm> forms;
    std::vector<SkinRecord> kinds;
    // The line of the skin's own element (version, devices).
    int line = 0;
    friend bool operator==(const SkinModel& a, const SkinModel& b)
    {
        return a.version == b.version && a.devices == b.devices && a.sizes == b.sizes
            && a.pictures == b.pictures && a.fonts == b.fonts && a.forms == b.forms && a.kinds == b.kinds;
    }
};

} // namespace skinner
