// The MP3 reader, decoder and tags beyond the reader contract: headers, search, time, seeks, clipping, ID3v1.

#include "audio/decoder_mp3.h"
#include "audio/file_reader_mp3.h"
#include "audio/id3v1.h"
#include "audio/mp3_header.h"
#include "audio/play_chain_mp3.h"
#include "decoded_audio.h"

#include <gtest/gtest.h>
#include <mad.h>

#include <array>
#include <cmath>
#include <limits>
#include <map>

using audio::DecoderMP3;
using audio::FileReaderMP3;
using audio::MP3Data;
using namespace test;

namespace {

struct File {
    TempDir dir;
    std::u16string path = dir.file("file.mp3");
    explicit File(const Bytes& bytes) { write_file(dir.native("file.mp3"), bytes); }
};

std::vector<MP3Data> all_blocks(FileReaderMP3& reader)
{
    std::vector<MP3Data> blocks;
    for (MP3Data block; blocks.size() < 10000 && !(block = reader.get_block(1)).empty();)
        blocks.push_back(block);
    return blocks;
}

// An ID3v2.3 tag of 30000 bytes holding pairs of agreeing Layer I headers (104-byte frames).
Bytes id3v2_with_false_frames()
{
    Bytes tag = cat({{'I', 'D', '3', 3, 0, 0, 0, 1, 0x6A, 0x26}, junk(29990, 7)});
    Bytes layer1 = frame_bytes({MPEG1, 1, 3, 0});
    for (size_t at = 110; at + 300 < tag.size(); at += 3000)
        for (size_t header : {at, at + 104})
            std::copy(layer1.begin(), layer1.end(), tag.begin() + long(header));
    return tag;
}

TEST(FileReaderMP3, hands_out_frames_with_what_follows_searches_past_what_is_no_frame_and_times_by_the_first)
{
    File file(plain_frames(10));
    FileReaderMP3 reader(file.path);
    std::vector<MP3Data> blocks = all_blocks(reader);
    ASSERT_EQ(blocks.size(), 10u) << "the last frame ends the file and still counts";
    for (const MP3Data& block : blocks)
        ASSERT_EQ(block.size(), 2000u);
    EXPECT_EQ(blocks[0].data.data()[417], 0xFF) << "the decoder peeks at the next header";
    EXPECT_EQ(Bytes(blocks[9].data.data() + 417, blocks[9].data.data() + 2000), Bytes(1583, 0))
        << "past the end";

    std::vector<uint32_t> four(4, 417);
    const std::tuple<const char*, Bytes, std::vector<uint32_t>> cases[]
        = {{"variable bitrate, another rate between",
               cat({frame_bytes({}, 417), frame_bytes({MPEG1, 3, 9, 0, true}, 418),
                   frame_bytes({MPEG1, 3, 9, 1}, 384), frame_bytes({MPEG1, 3, 14}, 1044)}),
               {417, 418, 1044}},
            // An MPEG-2 header whose frame would reach past both real frames, the whole stream.
            {"false header first", cat({frame_bytes({MPEG2, 3, 14, 0}, 100), plain_frames(2), junk(200)}),
                {417, 417}},
            {"ID3v2 tag with frame-like bytes", cat({id3v2_with_false_frames(), plain_frames(4)}), four},
            {"tag size past the end of the file",
                cat({{'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F}, junk(50), plain_frames(4)}), four},
            {"last frame cut", cat({plain_frames(4), frame_bytes({}, 317)}), four}};
    for (const auto& [what, bytes, want] : cases) {
        SCOPED_TRACE(what);
        File other(bytes);
        FileReaderMP3 found(other.path);
        ASSERT_TRUE(found.is_open());
        EXPECT_EQ(found.bitrate(), 128000u);
        found.seek_position(0); // as the player does before it plays
        std::vector<uint32_t> lengths;
        for (const MP3Data& block : all_blocks(found))
            lengths.push_back(block.frame_length);
        EXPECT_EQ(lengths, want);
        EXPECT_EQ(found.position(), found.length());
        found.seek_position(found.length() - 1); // inside the last frame: no frame follows
        EXPECT_TRUE(found.get_block(1).empty() && found.is_end()) << found.position();
    }
    // Time by the first bitrate and the size: junk, a 128 kbit/s pair, 320 kbit/s frames, junk to 1000000 B.
    Bytes bytes = cat({junk(1234), plain_frames(2)});
    while (bytes.size() < 900000)
        bytes = cat({bytes, frame_bytes({MPEG1, 3, 14}, 1044)});
    File big(cat({bytes, junk(1000000 - bytes.size())}));
    FileReaderMP3 timed(big.path);
    ASSERT_TRUE(timed.is_open());
    EXPECT_EQ(std::pair(timed.duration(), timed.position_to_time(16000)), std::pair(62.5, 1.0));
    // Positions are truncated, and held between 0 and the largest position.
    for (auto [time, position] : {std::pair {62.5, 1000000}, {0.00001, 0}, {-3.0, 0}, {std::nan(""), 0},
             {1e12, std::numeric_limits<int32_t>::max()}})
        EXPECT_EQ(timed.time_to_position(time), position) << time;
    Frame long_layer2 {MPEG25, 2, 14, 2}; // 2880 bytes: longer than a block can carry
    const std::pair<const char*, Bytes> refused[] = {{"one frame", plain_frames(1)},
        {"frames longer than a block", cat({frame_bytes(long_layer2, 2880), frame_bytes(long_layer2, 2880)})},
        {"second header cut", cat({frame_bytes({}, 417), {0xFF, 0xFB, 0x90}})}};
    for (const auto& [what, bad] : refused)
        EXPECT_FALSE(FileReaderMP3(File(bad).path).is_open()) << what;
}

TEST(MP3Header, facts_and_frame_lengths_by_version_layer_and_rate_and_refusals)
{
    // Version, layer, channels, sample rate, bitrate, frame length, samples per frame.
    const std::pair<Frame, std::array<int32_t, 7>> cases[]
        = {{{MPEG1, 3, 14, 2, true, true}, {1, 3, 1, 32000, 320, 1441, 1152}},
            {{MPEG1, 2, 14, 1}, {1, 2, 2, 48000, 384, 1152, 1152}},
            {{MPEG1, 2, 3, 0}, {1, 2, 2, 44100, 56, 182, 1152}},
            {{MPEG1, 1, 14, 2, true}, {1, 1, 2, 32000, 448, 676, 384}},
            {{MPEG2, 2, 2, 2}, {2, 2, 2, 16000, 16, 144, 1152}},
            {{MPEG2, 1, 14, 0}, {2, 1, 2, 22050, 256, 556, 384}},
            {{MPEG25, 3, 1, 2, false, true}, {3, 3, 1, 8000, 8, 72, 576}}};
    for (const auto& [frame, want] : cases) {
        audio::MP3Header h;
        ASSERT_TRUE(audio::parse_frame_header(frame_bytes(frame).data(), h)) << header_value(frame);
        EXPECT_EQ((std::array {h.version, h.layer, h.channels, h.sample_rate, h.bitrate, h.frame_length,
                      h.samples_per_frame}),
            want)
            << header_value(frame);
    }
    // Free format, a bad bitrate index, a reserved sample rate, version and layer.
    for (Frame frame : {Frame {MPEG1, 3, 0}, Frame {MPEG1, 3, 15}, Frame {MPEG1, 3, 9, 3},
             Frame {Reserved, 3, 9, 0}, Frame {MPEG1, 4, 9, 0}}) {
        audio::MP3Header h {.frame_length = 123};
        EXPECT_FALSE(audio::parse_frame_header(frame_bytes(frame).data(), h)) << header_value(frame);
        EXPECT_EQ(h.frame_length, 123) << "the header stays as it was";
    }
    for (int bit = 21; bit < 32; ++bit)
        EXPECT_FALSE(audio::is_frame_header(header_value({}) & ~(1u << bit))) << "sync bit " << bit;
}

// The sound of every frame when the file plays from its start, by the file offset of the frame.
std::map<int32_t, Bytes> sound_from_start(const std::u16string& path)
{
    std::map<int32_t, Bytes> frames;
    FileReaderMP3 reader(path);
    DecoderMP3 decoder;
    Bytes pcm(1152 * 4);
    for (MP3Data block = reader.get_block(1); !block.empty(); block = reader.get_block(1)) {
        uint32_t consumed = 0, produced = 0;
        if (decoder.decode_frame(
                block.data.data(), block.size(), pcm.data(), uint32_t(pcm.size()), consumed, produced)
            == DecoderMP3::Decoded)
            frames[reader.position() - int32_t(block.frame_length)].assign(
                pcm.begin(), pcm.begin() + produced);
    }
    return frames;
}

class MP3Seek : public testing::TestWithParam<const char*> { };

// After a seek the frame sounds as when played from the start (bit reservoir and overlap rebuilt).
TEST_P(MP3Seek, the_first_sound_after_a_seek_is_the_frame_at_the_position_as_played_from_the_start)
{
    TempDir dir;
    write_file(dir.native("long.mp3"),
        cat(std::vector<Bytes>(12, read_file(fixture(std::string("mp3/") + GetParam())))));
    std::map<int32_t, Bytes> reference = sound_from_start(dir.file("long.mp3"));
    ASSERT_GT(reference.size(), 100u);
    std::unique_ptr<audio::PlayChain> chain = audio::create_play_chain(dir.file("long.mp3"));
    ASSERT_TRUE(chain);
    audio::FileReader& reader = chain->get_reader();
    // Forward and back, as the position bar moves; the decoder has played elsewhere before each.
    for (double fraction : {0.7, 0.1, 0.7, 0.0, 0.98, 0.35, 0.02}) {
        int32_t target = int32_t(fraction * reader.length());
        reader.seek_position(target);
        EXPECT_EQ(reader.position(), target);
        auto expected = reference.lower_bound(target);
        ASSERT_NE(expected, reference.end()) << fraction;
        audio::PCMData block = chain->get_provider().get_block(1 << 20);
        ASSERT_FALSE(block.empty()) << fraction;
        EXPECT_TRUE(Bytes(block.data.data(), block.data.data() + block.size()) == expected->second)
            << "seek to " << fraction << " (byte " << target << ")";
        chain->get_provider().get_block(1 << 20); // plays on a little before the next seek
    }
}

INSTANTIATE_TEST_SUITE_P(ConstantAndVariableBitrate, MP3Seek,
    testing::Values("mpeg1_44k_stereo_cbr128.mp3", "mpeg2_22k_mono_vbr.mp3", "mpeg1_32k_mono_cbr64.mp3"));

// Error feedback per channel; a clip carries only the quantising error (a fixed bug carried the excess).
TEST(ToPcm, quantises_with_error_feedback_and_clips_without_disturbing_what_follows)
{
    constexpr int32_t one = 0x10000000; // 1.0 in libmad's fixed point
    // Left, right (none: mono) and the samples wanted.
    const std::tuple<std::vector<int32_t>, std::vector<int32_t>, Samples> cases[]
        = {{{0, 0x2000, -0x2000, 0x123 << 13, -one, one / 2}, {}, {0, 1, -1, 0x123, -32768, 16384}},
            // Half and quarter steps come out on average; without feedback they would all be 0.
            {{0x1000, 0x1000, 0x1000, 0x1000}, {}, {0, 1, 0, 1}},
            {{0x800, 0x800, 0x800, 0x800, 0x800}, {}, {0, 0, 0, 1, 0}},
            {{0x1000}, {}, {0}}, // the error starts at 0 on every call
            {{0x1000, 0x1000, 0x1000, 0x1000}, {-0x2000, 0, 0x4000, one}, {0, -1, 1, 0, 0, 2, 1, 32767}},
            {{one, 1, 0}, {}, {32767, 1, 0}}, {{-one - 0x4000, 0, 0}, {}, {-32768, 0, 0}},
            {{-one, -0x1000, -0x1000}, {}, {-32768, -1, 0}},
            {{one - 0x1000, one - 0x1000, 0}, {}, {32767, 32767, 0}}, // the carried error pushes it over
            {std::vector<int32_t>(3000, std::numeric_limits<int32_t>::max()), {}, Samples(3000, 32767)},
            {{4 * one, 0, 0}, {0x1000, 0x1000, 0x1000}, {32767, 0, 0, 1, 0, 0}}}; // channels apart
    for (const auto& [left, right, want] : cases) {
        Samples out(want.size(), int16_t(0xAAAA));
        audio::to_pcm(reinterpret_cast<uint8_t*>(out.data()), uint32_t(left.size()), left.data(),
            right.empty() ? nullptr : right.data());
        EXPECT_EQ(out, want) << left[0];
    }
}

// libmad's own 16-bit output of a whole file, rounded and clipped, and the count of clipped samples.
std::pair<Samples, size_t> libmad_reference(const std::filesystem::path& path)
{
    Bytes data = read_file(path);
    data.resize(data.size() + MAD_BUFFER_GUARD, 0);
    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    mad_synth_init(&synth);
    mad_stream_buffer(&stream, data.data(), data.size());
    std::pair<Samples, size_t> out;
    auto rounded = [&out](mad_fixed_t s) {
        int64_t v = int64_t(s) + (1 << (MAD_F_FRACBITS - 16));
        out.second += v >= MAD_F_ONE || v < -MAD_F_ONE;
        return int16_t(std::clamp<int64_t>(v, -MAD_F_ONE, MAD_F_ONE - 1) >> (MAD_F_FRACBITS + 1 - 16));
    };
    // Up to the end of the data, past recoverable errors.
    for (int status; (status = mad_frame_decode(&frame, &stream)) == 0 || MAD_RECOVERABLE(stream.error);) {
        if (status != 0)
            continue;
        mad_synth_frame(&synth, &frame);
        for (unsigned i = 0; i < synth.pcm.length; ++i)
            for (unsigned c = 0; c < synth.pcm.channels; ++c)
                out.first.push_back(rounded(synth.pcm.samples[c][i]));
    }
    mad_synth_finish(&synth);
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);
    return out;
}

// Every fixture and corpus MP3 within one step of libmad: a clip must not push the samples after it.
TEST(DecoderMP3Clipping, fixtures_and_corpus_files_stay_within_a_step_of_libmad)
{
    std::vector<std::filesystem::path> files;
    std::error_code absent; // the corpus may be missing
    for (const std::filesystem::path& dir : {fixture("mp3"), corpus_dir()})
        for (const auto& entry : std::filesystem::directory_iterator(dir, absent))
            files.push_back(entry.path());
    for (const std::filesystem::path& path : files) {
        auto chain = audio::create_play_chain(u16(path));
        if (!chain || chain->get_codec_name() != u"mp3")
            continue; // not an MP3 stream, or one the player refuses
        Samples got = decode_all(chain->get_provider(), 4096).samples;
        std::string name = path.filename().string();
        auto [reference, clipped] = libmad_reference(path);
        EXPECT_TRUE(name != "mpeg25_8k_mono_clipping.mp3" || clipped > reference.size() / 4);
        EXPECT_TRUE(name != "mp3_mpeg25_8k_mono_40s.mp3" || clipped > 0);
        ASSERT_EQ(got.size(), reference.size()) << name;
        size_t off = 0;
        for (size_t i = 0; i < got.size(); ++i)
            if (std::abs(got[i] - reference[i]) > 1 && off++ == 0)
                ADD_FAILURE() << name << ": sample " << i << " is " << got[i] << " instead of "
                              << reference[i];
        EXPECT_EQ(off, 0u) << name;
    }
}

// "TAG" and a 125-byte body; fields are given as stored and padded with zeros.
Bytes tag_bytes(
    std::string_view title, std::string_view artist = "", std::string_view comment = "", uint8_t genre = 0)
{
    std::string tag = "TAG";
    for (auto [value, width] : {std::pair<std::string_view, size_t> {title, 30}, {artist, 30}, {"Album", 30},
             {"1999", 4}, {comment, 30}})
        tag.append(value.substr(0, width)).append(width - std::min(width, value.size()), '\0');
    tag.push_back(char(genre));
    return Bytes(tag.begin(), tag.end());
}

audio::ID3v1Tag read_tag(const Bytes& bytes)
{
    return audio::read_id3v1(File(bytes).path);
}

TEST(ID3v1, fields_text_and_track_in_the_last_128_bytes_or_before_a_short_trailer_and_the_chain_title)
{
    audio::ID3v1Tag tag = read_tag(cat({plain_frames(4), tag_bytes("A Title", "An Artist", "Note", 17)}));
    EXPECT_EQ(std::tuple(tag.present, tag.genre, tag.track), std::tuple(true, 17u, 0));
    EXPECT_EQ(tag.title + tag.artist + tag.album + tag.year + tag.comment, u"A TitleAn ArtistAlbum1999Note");
    // ID3v1.1: byte 28 of the comment is 0 and byte 29 the track; a full 30-byte comment has none.
    std::string comment = "Comment that is 28 bytes lon";
    tag = read_tag(tag_bytes("T", "", comment + std::string("\0\5", 2)));
    EXPECT_EQ(std::pair(tag.track, tag.comment),
        std::pair(uint8_t(5), std::u16string(u"Comment that is 28 bytes lon")));
    tag = read_tag(tag_bytes("T", "", comment + "g\5"));
    EXPECT_EQ(std::pair(tag.track, tag.comment.size()), std::pair(uint8_t(0), size_t(30)));
    // Fields lose blank padding and what follows a zero; 8-bit text is Windows-1252 unless UTF-8.
    tag = read_tag(tag_bytes("Padded title                  ", std::string("Skupinove foto\0garbage!", 23),
        "                              "));
    EXPECT_EQ(tag.title + u"|" + tag.artist + u"|" + tag.comment, u"Padded title|Skupinove foto|");
    EXPECT_EQ(read_tag(tag_bytes("Caf\xE9 \x80 \x93ok\x94")).title, u"Caf\u00E9 \u20AC \u201Cok\u201D");
    EXPECT_EQ(read_tag(tag_bytes("Caf\xC3\xA9 \xE2\x82\xAC")).title, u"Caf\u00E9 \u20AC");
    EXPECT_EQ(read_tag(cat({tag_bytes("Followed"), Bytes(200, 7)})).title, u"Followed");
    EXPECT_EQ(read_tag(cat({plain_frames(3), tag_bytes("VINTAGE", "TAG")})).title, u"VINTAGE");
    Bytes cut = tag_bytes("Cut");
    cut.pop_back();
    for (const Bytes& bytes :
        {cut, Bytes {'T', 'A'}, Bytes {}, plain_frames(5), cat({tag_bytes("Too far"), Bytes(1000, 0)})})
        EXPECT_FALSE(read_tag(bytes).present) << bytes.size();
    TempDir dir;
    EXPECT_FALSE(audio::read_id3v1(dir.file("missing.mp3")).present);
    // The chain takes the tag's title.
    EXPECT_EQ(audio::create_play_chain(u16(fixture("mp3/id3v1_title.mp3")))->get_title(), u"Test Tone");
    EXPECT_EQ(audio::create_play_chain(u16(fixture("mp3/id3v2_title.mp3")))->get_title(), u"Tagged Tone");
    // MP3 data under another name plays by its content, titled by the file name.
    write_file(dir.native("sound.wav"), read_file(fixture("mp3/mpeg1_32k_mono_cbr64.mp3")));
    auto chain = audio::create_play_chain(dir.file("sound.wav"));
    EXPECT_EQ(chain ? chain->get_codec_name() + u"|" + chain->get_title() : u"", u"mp3|sound.wav");
    // MP3 is probed last: a PCM WAV whose samples look like MP3 frames is PCM.
    write_file(dir.native("pcm.wav"), make_wav({.data = plain_frames(6)}));
    EXPECT_EQ(audio::create_play_chain(dir.file("pcm.wav"))->get_codec_name(), u"PCM");
    SKIP_WITHOUT_CORPUS();
    for (auto [name, title] : {std::pair {"mp3_id3v2_apic_64k_xing_id3v1.mp3", u"Solace"},
             {"mp3_mpeg25_8k_two_frames_id3v24_id3v1.mp3", u"mp3_mpeg25_8k_two_frames_id3v24_id3v1.mp3"},
             {"mp3_id3v1_title_info_cbr.mp3", u"some title"}}) // an empty tag title keeps the file name
        EXPECT_EQ(audio::create_play_chain(u16(corpus(name)))->get_title(), title);
}

} // namespace
