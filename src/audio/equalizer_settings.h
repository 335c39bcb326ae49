#pragma once

// The equalizer band the user keeps in "Equalizer.xml" beside the executable: the root element
// Equalizer with the real attributes Frequency (Hz), Width (octaves) and Amplitude (dB). The
// player only reads the file, every time the equalizer is switched on. A missing file, a file that
// is not well-formed, another root element, or a missing or unreadable attribute leaves the value
// concerned at its default: 80 Hz, 2 octaves, +8 dB. Called on the user-interface thread.

#include "liba/xml_node.h"

#include <string_view>

namespace audio {

class EqualizerPCM;

struct EqualizerSettings {
    double frequency = 80.0;
    double width = 2.0;
    double amplitude = 8.0;

    // Hands the band to the equalizer (under its lock).
    void apply_to(EqualizerPCM& equalizer) const;
};

// The band in a loaded document (null: the defaults).
EqualizerSettings read_equalizer_settings(const liba::XmlNode& document);
// Loads the file (the path goes through expand_path) and reads the band from it.
EqualizerSettings load_equalizer_settings(std::u16string_view path = u"%app_path%/Equalizer.xml");

} // namespace audio
