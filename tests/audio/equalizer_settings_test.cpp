#include "audio/equalizer_pcm.h"
#include "audio/equalizer_settings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using audio::EqualizerSettings;

namespace {

EqualizerSettings load_text(const test::TempDir& dir, std::string_view text)
{
    test::write_file(dir.native("Equalizer.xml"), test::Bytes(text.begin(), text.end()));
    return audio::load_equalizer_settings(dir.file("Equalizer.xml"));
}

void expect_band(const EqualizerSettings& s, double frequency, double width, double amplitude)
{
    EXPECT_EQ(s.frequency, frequency);
    EXPECT_EQ(s.width, width);
    EXPECT_EQ(s.amplitude, amplitude);
}

} // namespace

TEST(EqualizerSettings, reads_the_three_attributes_of_the_root_element)
{
    test::TempDir dir;
    expect_band(load_text(dir, R"(<?xml version="1.0"?>
<!-- bass lift -->
<Equalizer Frequency="120.5" Width=" 1.5e0" Amplitude="-6"/>)"),
        120.5, 1.5, -6.0);
}

TEST(EqualizerSettings, missing_or_malformed_files_and_other_roots_give_80_hz_2_octaves_plus_8_db)
{
    test::TempDir dir;
    expect_band(audio::load_equalizer_settings(dir.file("Equalizer.xml")), 80.0, 2.0, 8.0);
    expect_band(audio::read_equalizer_settings(liba::XmlNode {}), 80.0, 2.0, 8.0);
    for (std::string_view text : {
             std::string_view(R"(<Equalizer Frequency="120" Width="1" Amplitude="3">)"),
             std::string_view(R"(<Equalizer Frequency="120" Width="1" Amplitude="3"/><Equalizer/>)"),
             std::string_view(""),
             std::string_view("\xff\xfe\x00"),
             std::string_view(R"(<Settings><Equalizer Frequency="120" Width="1" Amplitude="3"/></Settings>)"),
             std::string_view(R"(<equalizer Frequency="120" Width="1" Amplitude="3"/>)"),
         }) {
        SCOPED_TRACE(std::string(text));
        expect_band(load_text(dir, text), 80.0, 2.0, 8.0);
    }
}

TEST(EqualizerSettings, a_missing_or_unreadable_attribute_keeps_only_its_own_default)
{
    test::TempDir dir;
    expect_band(load_text(dir, R"(<Equalizer Frequency="abc" Width="3" Amplitude="4"/>)"), 80.0, 3.0, 4.0);
    expect_band(load_text(dir, R"(<Equalizer Frequency="200" Width="" Amplitude="4"/>)"), 200.0, 2.0, 4.0);
    expect_band(load_text(dir, R"(<Equalizer Frequency="200" Width="3" Amplitude="-"/>)"), 200.0, 3.0, 8.0);
    expect_band(load_text(dir, R"(<Equalizer Frequency="1e999" Width="3" Amplitude="4"/>)"), 80.0, 3.0, 4.0);
    expect_band(load_text(dir, R"(<Equalizer Width="0.5"/>)"), 80.0, 0.5, 8.0);
    // Names are case-sensitive.
    expect_band(load_text(dir, R"(<Equalizer frequency="200" WIDTH="3" Amplitude="4"/>)"), 80.0, 2.0, 4.0);
    // Text after the number is ignored.
    expect_band(
        load_text(dir, R"(<Equalizer Frequency="250Hz" Width="3" Amplitude="4 dB"/>)"), 250.0, 3.0, 4.0);
}

TEST(EqualizerSettings, the_band_reaches_the_equalizer)
{
    audio::EqualizerPCM eq;
    EqualizerSettings {100.0, 1.25, -3.5}.apply_to(eq);
    EXPECT_EQ(eq.frequency(), 100.0);
    EXPECT_EQ(eq.width(), 1.25);
    EXPECT_EQ(eq.amplitude(), -3.5);
}
