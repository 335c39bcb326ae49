#pragma once

// The properties the program reads from a skin: for each class (or part of the program) the
// names it asks for, with their types, at form level or at control level. A control or kind
// record is read by controls; a form record by the form itself, by the form choice and by panels
// that take it as their template. The same list is the reference table of docs/skin-format.md
// (a test keeps the two, and the reads in the sources, equal), and skinc warns about a property
// of the source that nothing reads: a typing mistake would otherwise leave the default in place
// without a word.

#include "skinc/skin_source.h"
#include "skinner/skin_model.h"

#include <span>
#include <string_view>
#include <vector>

namespace skinc {

enum class PropertyScope { form, control };

// One property a class reads. types is a set of PropertyType bits (1 << type): the button states
// read a picture, a font and a colour under one name.
struct PropertyReading {
    std::u16string_view reader;
    PropertyScope scope;
    std::u16string_view name;
    unsigned types;
};

constexpr unsigned type_bit(skinner::PropertyType type)
{
    return 1u << unsigned(type);
}

// Every property the program reads, grouped by reader.
std::span<const PropertyReading> property_readings();

// The source's element name of a type: "int", "point", "string", "colour", "picture", "font".
std::u16string_view type_element(skinner::PropertyType type);

// Warnings for the model: each property that nothing reads at its place (form or control) with
// its type, and each kind that no Kind... property names (kinds are read only through those), at
// the property's or the kind's source line.
std::vector<SourceError> unread_properties(const skinner::SkinModel& model);

} // namespace skinc
