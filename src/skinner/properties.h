#pragma once

// The skin handle that the application and every form keep: the loaded skin (PropertiesImpl) and
// the translator of the current language, through which string properties pass. Forms and
// controls keep a pointer to the handle, never to what it owns, so the skin and the translator
// can be replaced in place while forms exist; refresh_skin then makes every form that uses this
// handle (every SkinClient whose skin_handle() is this) re-read its properties.
//
// Queries take (form name, control name, property name, default); an empty form name takes the
// control name as a kind name. See properties_impl.h for what is scaled, what is fatal and how a
// form layout is chosen. User-interface thread only.

#include "liba/nocopy.h"
#include "liba/string_translator.h"
#include "skinner/device.h"
#include "skinner/font.h"
#include "skinner/geometry.h"
#include "skinner/picture.h"
#include "skinner/properties_impl.h"
#include "skinner/skin_names.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace skinner {

class Properties : private liba::Nocopy {
public:
    // Loads the skin (see PropertiesImpl) with an empty translator. The device kind stays with
    // the handle for its reloads.
    Properties(std::u16string_view path, Size screen, DeviceKind device = DeviceKind::pocket_pc);
    ~Properties();

    // Loads the skin anew, replaces the current one with it (valid or not: the caller checks),
    // then refresh_skin().
    void reload(std::u16string_view path, Size screen);
    // First replaces the translator by one loaded from the language file (empty when the file
    // cannot be read), then reload(path, screen).
    void reload(std::u16string_view path, std::u16string_view language_path, Size screen);
    // Loads a translator from the language file (path macros expanded). When the file cannot be
    // opened the current translator stays and the result is false; otherwise it replaces the
    // current one, refresh_skin() runs, and the result is true.
    bool set_language(std::u16string_view language_path);

    bool is_valid() const { return m_impl->is_valid(); }
    // Whether the skin serves this program (version text, when not empty) on this device and
    // screen size. False for an invalid skin.
    bool check_version(std::u16string_view version, Size screen) const;

    // Makes every form that uses this handle re-read its properties, and logs what that cost:
    //   Properties::refresh_skin() <path>
    //   elapsed=<seconds>  CompareCounter=<n>  PropertyCounter=<n>  FoundPropertyCounter=<n>
    // (a line each), the counters being reset at the start.
    void refresh_skin();

    int32_t get_int(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, int32_t def)
    {
        return m_impl->get_int(form, control, name, def);
    }
    int32_t get_int_scaled(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, int32_t def)
    {
        return m_impl->get_int_scaled(form, control, name, def);
    }
    Point get_point(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, Point def)
    {
        return m_impl->get_point(form, control, name, def);
    }
    // Translated: the current language's text for the value when it has one, else the value.
    std::u16string get_string(std::u16string_view form, std::u16string_view control, std::u16string_view name,
        std::u16string_view def)
    {
        return m_impl->get_string(form, control, name, def, *m_translator);
    }
    Color get_color(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, Color def)
    {
        return m_impl->get_color(form, control, name, def);
    }
    Picture get_picture(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, const Picture& def)
    {
        return m_impl->get_picture(form, control, name, def);
    }
    Font get_font(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, const Font& def)
    {
        return m_impl->get_font(form, control, name, def);
    }
    // Never translated.
    Cursor get_cursor(
        std::u16string_view form, std::u16string_view control, std::u16string_view name, Cursor def)
    {
        return m_impl->get_cursor(form, control, name, def);
    }

    int32_t get_form_int(std::u16string_view form, std::u16string_view name, int32_t def)
    {
        return m_impl->get_form_int(form, name, def);
    }
    Point get_form_point(std::u16string_view form, std::u16string_view name, Point def)
    {
        return m_impl->get_form_point(form, name, def);
    }
    Picture get_form_picture(std::u16string_view form, std::u16string_view name, const Picture& def)
    {
        return m_impl->get_form_picture(form, name, def);
    }

    uint32_t auto_control_count(std::u16string_view form) { return m_impl->auto_control_count(form); }
    // (control name, kind name) of entry index.
    std::pair<std::u16string, std::u16string> auto_control(std::u16string_view form, uint32_t index)
    {
        return m_impl->auto_control(form, index);
    }

    // The current language's text for key, or the key itself.
    std::u16string translate(std::u16string_view key) const { return m_translator->translate(key); }
    const liba::StringTranslator& translator() const { return *m_translator; }
    PropertiesImpl& impl() { return *m_impl; }
    const PropertiesImpl& impl() const { return *m_impl; }
    DeviceKind device() const { return m_device; }

private:
    DeviceKind m_device;
    std::unique_ptr<PropertiesImpl> m_impl;
    std::unique_ptr<liba::StringTranslator> m_translator;
};

} // namespace skinner
