#include "skin_check.h"

#include "liba/text.h"
#include "skinner/properties.h"
#include "skinner/skin_layout.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace skin_preview {

namespace {

std::string text(std::u16string_view value)
{
    return liba::to_utf8(value);
}

std::string size_text(uint32_t width, uint32_t height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string listed_sizes(const skinner::SkinDescription& description)
{
    std::string sizes;
    for (uint32_t i = 0; i < skinner::skin_layout::s_size_entries; ++i) {
        skinner::SkinSize entry = description.size_entry(i);
        if (entry.width == 0 && entry.height == 0)
            continue;
        sizes += (sizes.empty() ? "" : ", ") + size_text(entry.width, entry.height);
    }
    return sizes;
}

std::string why_invalid(const skinner::Properties& skin, std::string_view path)
{
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(std::filesystem::path(path), ignored))
        return std::string(path) + " cannot be read\n";
    const skinner::PropertiesImpl& impl = skin.impl();
    if (!impl.description().valid())
        return std::string(path) + " holds no valid skin description\n";
    std::string missing;
    for (const std::u16string& name : impl.description().picture_names()) {
        if (!skinner::Picture(impl.path(), name, false, impl.scale()).has_image())
            missing += (missing.empty() ? "" : ", ") + text(name);
    }
    return std::string(path) + " names pictures that cannot be loaded: " + missing + "\n";
}

} // namespace

std::string refusal(const skinner::Properties& skin, skinner::Size screen, std::string_view path)
{
    if (!skin.is_valid())
        return why_invalid(skin, path);
    if (skin.check_version(s_player_version, screen))
        return {};
    const skinner::SkinDescription& description = skin.impl().description();
    std::string reasons;
    if (description.version() != s_player_version) {
        reasons += "the skin's version is {" + text(description.version()) + "}, the player needs {"
            + text(s_player_version) + "}\n";
    }
    bool smartphone = skin.device() == skinner::DeviceKind::smartphone;
    if (!skinner::good_for_device(description.devices(), skin.device())) {
        reasons += "the skin's devices {" + text(description.devices()) + "} leave out the "
            + (smartphone ? "Smartphone" : "Pocket PC") + "\n";
    }
    if (!skin.check_version(u"", screen) && skinner::good_for_device(description.devices(), skin.device())) {
        reasons += "the skin is laid out for " + listed_sizes(description)
            + ", none of which times 1 to 4 is " + size_text(uint32_t(screen.width), uint32_t(screen.height))
            + "\n";
    }
    return reasons;
}

FormChoice choose_form(skinner::Properties& skin, std::u16string_view requested)
{
    skinner::PropertiesImpl& impl = skin.impl();
    const skinner::SkinDescription& description = impl.description();
    FormChoice choice;
    std::vector<std::u16string> names;
    if (requested.empty()) {
        for (uint32_t record : description.preorder(description.form_root()))
            names.push_back(description.name(record));
        std::sort(names.begin(), names.end());
    } else {
        names.emplace_back(requested);
    }
    for (const std::u16string& name : names) {
        if (uint32_t record = impl.choose_form(name)) {
            choice.form = name;
            choice.layout = description.name(record);
            return choice;
        }
    }
    skinner::Size area = impl.workarea_size();
    if (requested.empty()) {
        choice.error = "no form of the skin fits the work area "
            + size_text(uint32_t(area.width), uint32_t(area.height)) + " of this device\n";
    } else if (impl.form_trace().find(u'+') == std::u16string::npos) {
        choice.error
            = "the skin has no form {" + text(requested) + "}; its forms:\n" + text(impl.form_trace());
    } else {
        choice.error = "no layout of form {" + text(requested) + "} fits the work area "
            + size_text(uint32_t(area.width), uint32_t(area.height))
            + " of this device; the forms looked at:\n" + text(impl.form_trace());
    }
    return choice;
}

} // namespace skin_preview
