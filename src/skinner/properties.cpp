#include "skinner/properties.h"

#include "os/file.h"
#include "os/log.h"
#include "skinner/skin_client.h"

#include <chrono>
#include <vector>

namespace skinner {

namespace {

// A translator loaded from the language file; null when the file cannot be opened.
std::unique_ptr<liba::StringTranslator> load_translator(std::u16string_view language_path)
{
    os::File file(language_path, os::FileMode::Read);
    auto translator = std::make_unique<liba::StringTranslator>();
    if (!liba::load_language(file, *translator))
        return nullptr;
    return translator;
}

} // namespace

Properties::Properties(std::u16string_view path, Size screen, DeviceKind device)
    : m_device(device)
    , m_impl(std::make_unique<PropertiesImpl>(path, screen, device))
    , m_translator(std::make_unique<liba::StringTranslator>())
{
}

Properties::~Properties() = default;

void Properties::reload(std::u16string_view path, Size screen)
{
    // The new skin is complete before the old one goes, so pictures both use are kept, not reloaded.
    auto fresh = std::make_unique<PropertiesImpl>(path, screen, m_device);
    m_impl = std::move(fresh);
    refresh_skin();
}

void Properties::reload(std::u16string_view path, std::u16string_view language_path, Size screen)
{
    std::unique_ptr<liba::StringTranslator> translator = load_translator(language_path);
    m_translator = translator ? std::move(translator) : std::make_unique<liba::StringTranslator>();
    reload(path, screen);
}

bool Properties::set_language(std::u16string_view language_path)
{
    std::unique_ptr<liba::StringTranslator> translator = load_translator(language_path);
    if (!translator)
        return false;
    m_translator = std::move(translator);
    refresh_skin();
    return true;
}

bool Properties::check_version(std::u16string_view version, Size screen) const
{
    return m_impl->check_version(version, screen).passed;
}

void Properties::refresh_skin()
{
    auto start = std::chrono::steady_clock::now();
    os::log() << u"Properties::refresh_skin() " << m_impl->path() << u"\n";
    m_impl->reset_counters();
    // A form's reload may create or destroy others: walk a copy, skipping those gone meanwhile.
    std::vector<SkinClient*> clients = SkinClient::clients();
    for (SkinClient* client : clients) {
        if (SkinClient::exists(client) && client->skin_handle() == this)
            client->reload_properties();
    }
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const PropertyCounters& counters = m_impl->counters();
    os::log() << u"elapsed=" << elapsed << u"\n"
              << u"CompareCounter=" << counters.comparisons << u"\n"
              << u"PropertyCounter=" << counters.lookups << u"\n"
              << u"FoundPropertyCounter=" << counters.found << u"\n";
}

} // namespace skinner
