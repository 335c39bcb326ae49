// Skin loading and lookups over arbitrary bytes (a bare description, or a zip archive holding
// one): the loader must give an invalid skin or a valid one, and every lookup on a valid one must
// stay inside the description, end, and never reach a fatal report for records the skin holds.

#include "fuzz/fuzz_file.h"
#include "skinner/properties_impl.h"

#include <string>
#include <vector>

namespace {

using skinner::PropertiesImpl;
using skinner::PropertyType;

// Names of every property of a record, plus one that no record holds.
std::vector<std::u16string> property_names(const skinner::SkinDescription& description, uint32_t record)
{
    std::vector<std::u16string> names = {u"NoSuchProperty"};
    for (size_t type = 0; type < skinner::s_property_type_count; ++type) {
        for (uint32_t entry : description.entries(record, PropertyType(type)))
            names.push_back(description.property_name(entry));
    }
    return names;
}

void query_control(PropertiesImpl& skin, std::u16string_view form, std::u16string_view control,
    const std::vector<std::u16string>& names)
{
    liba::StringTranslator translator;
    translator.set(u"Menu_Play", u"Play");
    for (const std::u16string& name : names) {
        skin.get_int(form, control, name, 1);
        skin.get_int_scaled(form, control, name, 2);
        skin.get_point(form, control, name, {3, 4});
        skin.get_string(form, control, name, u"default", translator);
        skin.get_color(form, control, name, {});
        skin.get_picture(form, control, name, skinner::Picture());
        skin.get_font(form, control, name, skinner::Font());
        skin.get_cursor(form, control, name, skinner::Cursor::arrow);
    }
}

void query_forms(PropertiesImpl& skin)
{
    const skinner::SkinDescription& description = skin.description();
    for (uint32_t record : description.preorder(description.form_root())) {
        std::u16string name = description.name(record);
        uint32_t form = skin.choose_form(name);
        if (form == 0)
            continue;
        for (const std::u16string& property : property_names(description, form)) {
            skin.get_form_int(name, property, 0);
            skin.get_form_point(name, property, {});
            skin.get_form_picture(name, property, skinner::Picture());
        }
        for (uint32_t i = 0; i <= skin.auto_control_count(name) && i < 64; ++i)
            skin.auto_control(name, i);
        for (uint32_t control : description.preorder(description.control_root(form)))
            query_control(skin, name, description.name(control), property_names(description, control));
    }
    for (uint32_t kind : description.preorder(description.kind_root()))
        query_control(skin, u"", description.name(kind), property_names(description, kind));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::TempFile file(data, size);
    for (auto [screen, device] : {std::pair {skinner::Size {240, 320}, skinner::DeviceKind::pocket_pc},
             std::pair {skinner::Size {480, 800}, skinner::DeviceKind::smartphone}}) {
        PropertiesImpl skin(file.path(), screen, device);
        skin.check_version(u"Melodeck_1.00", screen);
        if (!skin.is_valid())
            continue;
        query_forms(skin);
        skin.description().to_model();
    }
    return 0;
}
