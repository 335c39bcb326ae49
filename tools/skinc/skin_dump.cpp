#include "skinc/skin_dump.h"

#include "liba/text.h"

#include <cstdio>
#include <pugixml.hpp>
#include <sstream>

namespace skinc {

namespace {

std::string utf8(std::u16string_view text)
{
    return liba::to_utf8(text);
}

std::string numbers(std::initializer_list<int64_t> values)
{
    std::string text;
    for (int64_t value : values) {
        if (!text.empty())
            text += ' ';
        text += std::to_string(value);
    }
    return text;
}

std::string colour_text(const skinner::ColourEntry& colour)
{
    char text[10];
    const auto& b = colour.bytes;
    if (b[3] == 0)
        std::snprintf(text, sizeof text, "#%02X%02X%02X", b[0], b[1], b[2]);
    else
        std::snprintf(text, sizeof text, "#%02X%02X%02X%02X", b[0], b[1], b[2], b[3]);
    return text;
}

void add_property(
    pugi::xml_node parent, const skinner::SkinProperty& property, const skinner::SkinModel& model)
{
    static constexpr const char* s_tags[] = {"int", "point", "string", "picture", "colour", "font"};
    pugi::xml_node node = parent.append_child(s_tags[property.value.index()]);
    node.append_attribute("name") = utf8(property.name).c_str();
    std::visit(
        [&](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, int32_t>) {
                node.append_attribute("value") = std::to_string(value).c_str();
            } else if constexpr (std::is_same_v<T, skinner::PointEntry>) {
                node.append_attribute("value") = numbers({value.x, value.y}).c_str();
            } else if constexpr (std::is_same_v<T, std::u16string>) {
                node.append_attribute("value") = utf8(value).c_str();
            } else if constexpr (std::is_same_v<T, skinner::PictureEntry>) {
                node.append_attribute("bitmap") = utf8(model.pictures.at(value.index).text).c_str();
                node.append_attribute("rect")
                    = numbers({value.left, value.top, value.right, value.bottom}).c_str();
                node.append_attribute("inner")
                    = numbers({value.inner_left, value.inner_top, value.inner_right, value.inner_bottom})
                          .c_str();
                node.append_attribute("stretch") = std::to_string(value.stretch).c_str();
            } else if constexpr (std::is_same_v<T, skinner::ColourEntry>) {
                node.append_attribute("value") = colour_text(value).c_str();
            } else {
                node.append_attribute("value") = utf8(model.fonts.at(value.index).text).c_str();
            }
        },
        property.value);
}

void add_record(pugi::xml_node node, const skinner::SkinRecord& record, const skinner::SkinModel& model)
{
    node.append_attribute("name") = utf8(record.name).c_str();
    for (const skinner::SkinProperty& property : record.properties)
        add_property(node, property, model);
}

} // namespace

std::string dump_source(const skinner::SkinModel& model)
{
    pugi::xml_document document;
    pugi::xml_node skin = document.append_child("skin");
    skin.append_attribute("version") = utf8(model.version).c_str();
    skin.append_attribute("devices") = utf8(model.devices).c_str();
    for (const skinner::SkinSize& size : model.sizes) {
        pugi::xml_node node = skin.append_child("size");
        node.append_attribute("width") = std::to_string(size.width).c_str();
        node.append_attribute("height") = std::to_string(size.height).c_str();
        if (size.reserved != 0)
            node.append_attribute("reserved") = std::to_string(size.reserved).c_str();
    }
    if (!model.pictures.empty()) {
        pugi::xml_node list = skin.append_child("bitmaps");
        for (const skinner::SkinText& picture : model.pictures)
            list.append_child("bitmap").append_attribute("name") = utf8(picture.text).c_str();
    }
    if (!model.fonts.empty()) {
        pugi::xml_node list = skin.append_child("fonts");
        for (const skinner::SkinText& font : model.fonts)
            list.append_child("font").append_attribute("value") = utf8(font.text).c_str();
    }
    for (const skinner::SkinRecord& kind : model.kinds)
        add_record(skin.append_child("kind"), kind, model);
    for (const skinner::SkinForm& form : model.forms) {
        pugi::xml_node node = skin.append_child("form");
        add_record(node, form.record, model);
        for (const skinner::AutoControl& entry : form.auto_controls) {
            pugi::xml_node child = node.append_child("auto");
            child.append_attribute("control") = utf8(entry.control).c_str();
            child.append_attribute("kind") = utf8(entry.kind).c_str();
        }
        for (const skinner::SkinRecord& control : form.controls)
            add_record(node.append_child("control"), control, model);
    }
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default | pugi::format_no_declaration, pugi::encoding_utf8);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + out.str();
}

} // namespace skinc
