#include "audio/equalizer_pcm.h"
#include "audio/equalizer_settings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

// Equalizer.xml: the three attributes of its root; whatever is missing or unreadable keeps its own
// default (80 Hz, 2 octaves, +8 dB), a missing or malformed file or another root all three.
TEST(EqualizerSettings, reads_the_root_attributes_and_keeps_defaults_for_what_it_cannot_read)
{
    struct Case {
        const char* text;
        double frequency, width, amplitude;
    };
    const Case cases[] = {{"<?xml version=\"1.0\"?>\n<!-- bass lift -->\n<Equalizer Frequency=\"120.5\" "
                           "Width=\" 1.5e0\" Amplitude=\"-6\"/>",
                              120.5, 1.5, -6.0},
        {"<Equalizer Frequency=\"abc\" Width=\"3\" Amplitude=\"4\"/>", 80, 3, 4},
        {"<Equalizer Frequency=\"200\" Width=\"\" Amplitude=\"4\"/>", 200, 2, 4},
        {"<Equalizer Frequency=\"200\" Width=\"3\" Amplitude=\"-\"/>", 200, 3, 8},
        {"<Equalizer Frequency=\"1e999\" Width=\"3\" Amplitude=\"4\"/>", 80, 3, 4},
        {"<Equalizer Width=\"0.5\"/>", 80, 0.5, 8},
        {"<Equalizer frequency=\"200\" WIDTH=\"3\" Amplitude=\"4\"/>", 80, 2, 4}, // names are case-sensitive
        {"<Equalizer Frequency=\"250Hz\" Width=\"3\" Amplitude=\"4 dB\"/>", 250, 3,
            4}, // text after the number
        {"<Equalizer Frequency=\"120\" Width=\"1\" Amplitude=\"3\">", 80, 2, 8},
        {"<Equalizer Frequency=\"120\" Width=\"1\" Amplitude=\"3\"/><Equalizer/>", 80, 2, 8}, {"", 80, 2, 8},
        {"\xff\xfe", 80, 2, 8},
        {"<Settings><Equalizer Frequency=\"120\" Width=\"1\" Amplitude=\"3\"/></Settings>", 80, 2, 8},
        {"<equalizer Frequency=\"120\" Width=\"1\" Amplitude=\"3\"/>", 80, 2, 8}};
    test::TempDir dir;
    for (const Case& c : cases) {
        test::write_file(dir.native("Equalizer.xml"), test::Bytes(c.text, c.text + std::strlen(c.text)));
        audio::EqualizerSettings s = audio::load_equalizer_settings(dir.file("Equalizer.xml"));
        EXPECT_EQ(s.frequency, c.frequency) << c.text;
        EXPECT_EQ(s.width, c.width) << c.text;
        EXPECT_EQ(s.amplitude, c.amplitude) << c.text;
    }
    EXPECT_EQ(audio::load_equalizer_settings(dir.file("missing.xml")).amplitude, 8.0);
    EXPECT_EQ(audio::read_equalizer_settings(liba::XmlNode {}).width, 2.0);
    audio::EqualizerPCM eq;
    audio::EqualizerSettings {100.0, 1.25, -3.5}.apply_to(eq);
    EXPECT_EQ(std::tuple(eq.frequency(), eq.width(), eq.amplitude()), std::tuple(100.0, 1.25, -3.5));
}
