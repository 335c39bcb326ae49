#include "skinc/property_reference.h"

#include <algorithm>
#include <set>

namespace skinc {

using skinner::PropertyType;

namespace {

constexpr unsigned s_int = type_bit(PropertyType::integer);
constexpr unsigned s_point = type_bit(PropertyType::point);
constexpr unsigned s_string = type_bit(PropertyType::string);
constexpr unsigned s_picture = type_bit(PropertyType::picture);
constexpr unsigned s_colour = type_bit(PropertyType::colour);
constexpr unsigned s_font = type_bit(PropertyType::font);
// A button or cell state: its picture, the font and the colour of its text.
constexpr unsigned s_style = s_picture | s_font | s_colour;

constexpr PropertyScope s_form = PropertyScope::form;
constexpr PropertyScope s_control = PropertyScope::control;

constexpr PropertyReading s_readings[] = {
    // The form choice, for every form record whose name begins with the name asked for.
    {u"PropertiesImpl", s_form, u"Size", s_point},
    {u"PropertiesImpl", s_form, u"Devices", s_string},
    {u"PropertiesImpl", s_form, u"Fullscreen", s_int},
    {u"Container", s_form, u"Size", s_point},
    {u"Container", s_form, u"SizeNoButtons", s_point},
    {u"Form", s_form, u"Background", s_picture},
    {u"Form", s_form, u"StartPosition", s_int},
    {u"Form", s_form, u"Position", s_point},
    {u"MenuManagerImplPocket", s_form, u"MenuImages", s_picture},
    {u"ControlPanel", s_form, u"Background", s_picture},

    {u"Control", s_control, u"Position", s_point},
    {u"Control", s_control, u"Size", s_point},
    {u"Control", s_control, u"AnchorX", s_string},
    {u"Control", s_control, u"AnchorY", s_string},
    {u"Control", s_control, u"Visible", s_int},
    {u"Control", s_control, u"Enabled", s_int},
    {u"Control", s_control, u"WantFocus", s_int},
    {u"Control", s_control, u"TabOrder", s_int},
    {u"Control", s_control, u"ZOrder", s_int},
    {u"Control", s_control, u"Focus", s_picture},
    {u"Control", s_control, u"Cursor", s_string},
    {u"Control", s_control, u"Gestures", s_int},
    {u"ControlButton", s_control, u"Normal", s_style},
    {u"ControlButton", s_control, u"Pressed", s_style},
    {u"ControlButton", s_control, u"Highlighted", s_style},
    {u"ControlButton", s_control, u"Disabled", s_style},
    {u"ControlButton", s_control, u"Text", s_string},
    {u"ControlButton", s_control, u"Action", s_string},
    {u"ControlButton", s_control, u"HAlignment", s_string},
    {u"ControlButton", s_control, u"VAlignment", s_string},
    {u"ControlButton", s_control, u"BorderMin", s_point},
    {u"ControlButton", s_control, u"BorderMax", s_point},
    {u"ControlCheckBox", s_control, u"Checked", s_int},
    {u"ControlCheckBox", s_control, u"CheckedNormal", s_style},
    {u"ControlCheckBox", s_control, u"CheckedPressed", s_style},
    {u"ControlCheckBox", s_control, u"CheckedHighlighted", s_style},
    {u"ControlCheckBox", s_control, u"CheckedDisabled", s_style},
    {u"ControlFrame", s_control, u"Normal", s_style},
    {u"ControlFrame", s_control, u"Text", s_string},
    {u"ControlFrame", s_control, u"HAlignment", s_string},
    {u"ControlFrame", s_control, u"VAlignment", s_string},
    {u"ControlFrame", s_control, u"BorderMin", s_point},
    {u"ControlFrame", s_control, u"BorderMax", s_point},
    {u"ControlFrame", s_control, u"Wrap", s_int},
    {u"ControlFrame", s_control, u"Ellipsis", s_int},
    {u"ControlFrame", s_control, u"AutoSize", s_int},
    {u"ControlEdit", s_control, u"Normal", s_style},
    {u"ControlEdit", s_control, u"BorderMin", s_point},
    {u"ControlEdit", s_control, u"BorderMax", s_point},
    {u"ControlPanel", s_control, u"FormTemplate", s_string},
    {u"ControlPanel", s_control, u"Background", s_picture},
    {u"ControlPanelAutoScroll", s_control, u"KindScroll", s_string},
    {u"ControlPanelAutoScroll", s_control, u"KindHScroll", s_string},
    {u"ControlPanelAutoScroll", s_control, u"ScrollWidth", s_int},
    {u"ControlPanelAutoScroll", s_control, u"ScrollHeight", s_int},
    {u"ControlPanelAutoScroll", s_control, u"BorderMin", s_point},
    {u"ControlPanelAutoScroll", s_control, u"BorderMax", s_point},
    {u"ControlPanelAutoScroll", s_control, u"ScrollBorderMin", s_point},
    {u"ControlPanelAutoScroll", s_control, u"ScrollBorderMax", s_point},
    {u"ControlScrollBar", s_control, u"KindMin", s_string},
    {u"ControlScrollBar", s_control, u"KindMax", s_string},
    {u"ControlScrollBar", s_control, u"KindSpace", s_string},
    {u"ControlScrollBar", s_control, u"KindTrack", s_string},
    {u"ControlScrollBar", s_control, u"Vertical", s_int},
    {u"ControlScrollBar", s_control, u"Min", s_int},
    {u"ControlScrollBar", s_control, u"Max", s_int},
    {u"ControlScrollBar", s_control, u"Page", s_int},
    {u"ControlScrollBar", s_control, u"MinButtonSize", s_int},
    {u"ControlScrollBar", s_control, u"MaxButtonSize", s_int},
    {u"ControlGrid", s_control, u"KindEdit", s_string},
    {u"ControlGrid", s_control, u"ItemHeight", s_int},
    {u"ControlGrid", s_control, u"BorderMin", s_point},
    {u"ControlGrid", s_control, u"BorderMax", s_point},
    {u"ControlGrid", s_control, u"ItemNormal", s_style},
    {u"ControlGrid", s_control, u"ItemSelection", s_style},
    {u"ControlGrid", s_control, u"ItemHighlight", s_style},
    {u"ControlGrid", s_control, u"ItemSelectionHighlight", s_style},
    {u"ControlGrid", s_control, u"HeaderNormal", s_style},
    {u"ControlGrid", s_control, u"Normal", s_picture},
    {u"ControlGrid", s_control, u"Highlighted", s_picture},
    {u"ControlGrid", s_control, u"Disabled", s_picture},
    {u"ControlProgressBase", s_control, u"Background", s_picture},
    {u"ControlProgressBase", s_control, u"Track", s_picture},
    {u"ControlProgressBase", s_control, u"TrackDisabled", s_picture},
    {u"ControlProgress", s_control, u"Progress", s_picture},
    {u"ControlProgress", s_control, u"Orientation", s_int},
    {u"ControlProgress", s_control, u"TrackSize", s_int},
    {u"MenuManager", s_control, u"Action", s_string},
    {u"FormMain", s_control, u"Text", s_string},
    {u"FormMain", s_control, u"ImageIndex", s_int},
    {u"FormMain", s_control, u"AboutForm", s_string},
    {u"ControlFiles", s_control, u"IconWidth", s_int},
    {u"ControlFiles", s_control, u"IndentWidth", s_int},
    {u"ControlFiles", s_control, u"IconUp", s_picture},
    {u"ControlFiles", s_control, u"IconFolder", s_picture},
    {u"ControlFiles", s_control, u"IconAudioFile", s_picture},
    // skin-preview's stand-ins for the lists and bars the player fills.
    {u"skin-preview", s_control, u"Rows", s_int},
    {u"skin-preview", s_control, u"NumberWidth", s_int},
    {u"skin-preview", s_control, u"Value", s_int},
};

bool is_read(PropertyScope scope, std::u16string_view name, PropertyType type)
{
    return std::any_of(std::begin(s_readings), std::end(s_readings), [&](const PropertyReading& reading) {
        return reading.scope == scope && reading.name == name && (reading.types & type_bit(type)) != 0;
    });
}

// The types under which the name is read at that place, as "<int>, <string>"; empty when none.
std::u16string types_read(PropertyScope scope, std::u16string_view name)
{
    unsigned types = 0;
    for (const PropertyReading& reading : s_readings) {
        if (reading.scope == scope && reading.name == name)
            types |= reading.types;
    }
    std::u16string text;
    for (size_t type = 0; type < skinner::s_property_type_count; ++type) {
        if (types & (1u << type))
            text += (text.empty() ? u"<" : u", <") + std::u16string(type_element(PropertyType(type))) + u">";
    }
    return text;
}

void check_record(const skinner::SkinRecord& record, PropertyScope scope, std::vector<SourceError>& warnings)
{
    std::u16string_view reader = scope == PropertyScope::form ? u"form" : u"control";
    for (const skinner::SkinProperty& property : record.properties) {
        PropertyType type = skinner::type_of(property.value);
        if (is_read(scope, property.name, type))
            continue;
        std::u16string message = u"property {" + property.name + u"} is read by no " + std::u16string(reader);
        std::u16string types = types_read(scope, property.name);
        if (!types.empty())
            message += u" as <" + std::u16string(type_element(type)) + u">, only as " + types;
        warnings.push_back({property.line, std::move(message)});
    }
}

bool names_a_kind(const skinner::SkinProperty& property)
{
    return property.name.starts_with(u"Kind") && skinner::type_of(property.value) == PropertyType::string
        && is_read(PropertyScope::control, property.name, PropertyType::string);
}

// The properties that name kinds, as "KindMin, KindMax or KindEdit".
std::u16string kind_properties()
{
    std::vector<std::u16string_view> names;
    for (const PropertyReading& reading : s_readings) {
        if (reading.name.starts_with(u"Kind"))
            names.push_back(reading.name);
    }
    std::u16string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += std::u16string(i == 0           ? u""
                        : i + 1 == names.size() ? u" or "
                                                : u", ")
            + std::u16string(names[i]);
    return text;
}

} // namespace

std::span<const PropertyReading> property_readings()
{
    return s_readings;
}

std::u16string_view type_element(PropertyType type)
{
    static constexpr std::u16string_view s_elements[]
        = {u"int", u"point", u"string", u"picture", u"colour", u"font"};
    return s_elements[size_t(type)];
}

std::vector<SourceError> unread_properties(const skinner::SkinModel& model)
{
    std::vector<SourceError> warnings;
    std::set<std::u16string> kinds_named;
    auto collect_kinds = [&](const skinner::SkinRecord& record) {
        for (const skinner::SkinProperty& property : record.properties) {
            if (names_a_kind(property))
                kinds_named.insert(std::get<std::u16string>(property.value));
        }
    };
    for (const skinner::SkinForm& form : model.forms) {
        check_record(form.record, PropertyScope::form, warnings);
        for (const skinner::SkinRecord& control : form.controls) {
            check_record(control, PropertyScope::control, warnings);
            collect_kinds(control);
        }
    }
    for (const skinner::SkinRecord& kind : model.kinds) {
        check_record(kind, PropertyScope::control, warnings);
        collect_kinds(kind);
    }
    for (const skinner::SkinRecord& kind : model.kinds) {
        if (!kinds_named.contains(kind.name))
            warnings.push_back({kind.line,
                u"kind {" + kind.name + u"} is read by no control: no " + kind_properties() + u" names it"});
    }
    std::stable_sort(warnings.begin(), warnings.end(),
        [](const SourceError& a, const SourceError& b) { return a.line < b.line; });
    return warnings;
}

} // namespace skinc
