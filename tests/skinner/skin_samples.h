#pragma once

// Small skin models for the skin suites, and the files made from them.

#include "liba/text.h"
#include "skinner/skin_model.h"
#include "skinner/skin_writer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace test {

inline skinner::SkinProperty prop(std::u16string name, skinner::PropertyValue value)
{
    return {std::move(name), std::move(value), 0};
}

inline skinner::SkinRecord record(std::u16string name, std::vector<skinner::SkinProperty> properties = {})
{
    return {std::move(name), std::move(properties), 0};
}

inline skinner::SkinForm form(std::u16string name, std::vector<skinner::SkinProperty> properties = {},
    std::vector<skinner::SkinRecord> controls = {}, std::vector<skinner::AutoControl> auto_controls = {})
{
    return {record(std::move(name), std::move(properties)), std::move(controls), std::move(auto_controls)};
}

inline skinner::PointEntry point(int16_t x, int16_t y)
{
    return {x, y};
}

// A form with a "Size" and, when not empty, "Devices"; one control "btn" so that control queries
// on it succeed.
inline skinner::SkinForm sized_form(
    std::u16string name, int16_t width, int16_t height, std::u16string devices = u"", int32_t fullscreen = 0)
{
    std::vector<skinner::SkinProperty> properties = {prop(u"Size", point(width, height))};
    if (!devices.empty())
        properties.push_back(prop(u"Devices", devices));
    if (fullscreen != 0)
        properties.push_back(prop(u"Fullscreen", fullscreen));
    return form(std::move(name), std::move(properties), {record(u"btn")});
}

// The description of a model that must be writable.
inline Bytes describe(const skinner::SkinModel& model)
{
    skinner::SkinWriter writer(model);
    for (const auto& error : writer.errors())
        ADD_FAILURE() << "line " << error.line << ": " << liba::to_utf8(error.message);
    return writer.bytes();
}

inline skinner::SkinModel model_with_forms(std::vector<skinner::SkinForm> forms)
{
    skinner::SkinModel model;
    model.version = u"Melodeck_1.00";
    model.forms = std::move(forms);
    return model;
}

} // namespace test
