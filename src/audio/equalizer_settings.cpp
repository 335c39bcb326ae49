#include "audio/equalizer_settings.h"

#include "audio/equalizer_pcm.h"
#include "os/xml_file.h"

namespace audio {

namespace {

// A failed conversion may still have touched the value it read into: only a good read replaces
// the default.
void read_real(const liba::XmlNode& element, std::u16string_view name, double& value)
{
    double read = 0.0;
    if (element.get_attribute(name, read))
        value = read;
}

} // namespace

void EqualizerSettings::apply_to(EqualizerPCM& equalizer) const
{
    equalizer.set_frequency(frequency);
    equalizer.set_width(width);
    equalizer.set_amplitude(amplitude);
}

EqualizerSettings read_equalizer_settings(const liba::XmlNode& document)
{
    EqualizerSettings settings;
    liba::XmlNode root = document.child(u"Equalizer");
    read_real(root, u"Frequency", settings.frequency);
    read_real(root, u"Width", settings.width);
    read_real(root, u"Amplitude", settings.amplitude);
    return settings;
}

EqualizerSettings load_equalizer_settings(std::u16string_view path)
{
    return read_equalizer_settings(os::xml_load(path));
}

} // namespace audio
