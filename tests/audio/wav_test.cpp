// The WAV readers beyond the reader contract: chunk walk, header rules, positions, sox and hand decodes.

#include "audio/decoder_adpcm.h"
#include "audio/decoder_gsm.h"
#include "audio/file_reader_wav_adpcm.h"
#include "audio/file_reader_wav_gsm.h"
#include "audio/play_chain.h"
#include "decoded_audio.h"
#include "support/ramp_source.h"

#include <gtest/gtest.h>

#include <climits>
#include <numeric>
#include <tuple>

namespace {

using test::Bytes;
using test::ByteWriter;

constexpr int16_t s_standard[7][2]
    = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

std::u16string write_temp(const test::TempDir& dir, const Bytes& bytes)
{
    test::write_file(dir.native("a.wav"), bytes);
    return dir.file("a.wav");
}

// Stereo 16-bit frames of the ramp.
test::WavSpec ramp_spec(uint32_t frames)
{
    return {.data = test::ramp16(frames * 2)};
}

// A coded WAV: format tag 2 (ADPCM, 4 bits, the coefficient table) or 49 (GSM, no bits).
struct CodedWav {
    uint16_t format_tag = 2;
    uint16_t channels = 1;
    uint32_t sample_rate = 8000;
    int32_t block_align = 256;
    uint16_t samples_per_block = 500;
    uint16_t bits = 4;
    uint16_t coefficient_count = 7;
    int16_t coefficient_offset = 0; // added to every stored coefficient
    int64_t fact = -1; // -1: no "fact" chunk
    Bytes data {};
};

const CodedWav s_gsm {.format_tag = 49, .block_align = 65, .samples_per_block = 320, .bits = 0};

Bytes make_coded_wav(const CodedWav& w)
{
    ByteWriter ext;
    if (w.format_tag == 49) {
        ext.u16(2).u16(w.samples_per_block);
    } else {
        ext.u16(uint16_t(4 * (w.coefficient_count + 1))).u16(w.samples_per_block).u16(w.coefficient_count);
        for (int i = 0; i < w.coefficient_count; ++i)
            ext.u16(uint16_t(s_standard[i % 7][0] + w.coefficient_offset))
                .u16(uint16_t(s_standard[i % 7][1] + w.coefficient_offset));
    }
    test::WavSpec spec;
    std::tie(spec.format_tag, spec.channels, spec.sample_rate, spec.bits, spec.block_align, spec.fmt_extra,
        spec.data)
        = std::tie(w.format_tag, w.channels, w.sample_rate, w.bits, w.block_align, ext.bytes, w.data);
    if (w.fact >= 0)
        spec.chunks_before_data.push_back({"fact", ByteWriter().u32(uint32_t(w.fact)).bytes});
    return test::make_wav(spec);
}

// count blocks; block i starts with the byte i and decodes from predictor 0, delta 16, sample1 100 i.
Bytes numbered_blocks(int count, int align)
{
    ByteWriter out;
    for (int i = 0; i < count; ++i)
        out.u8(uint8_t(i)).u16(16).u16(uint16_t(100 * i)).u16(0).raw(Bytes(size_t(align) - 7, uint8_t(i)));
    return out.bytes;
}

// The reader of the file's format tag.
std::unique_ptr<audio::FileReader> open_coded(const test::TempDir& dir, const CodedWav& wav)
{
    std::u16string path = write_temp(dir, make_coded_wav(wav));
    if (wav.format_tag == 49)
        return std::make_unique<audio::FileReaderWAVGSM>(path);
    return std::make_unique<audio::FileReaderWAVADPCM>(path);
}

test::Samples decode_fixture(const std::string& name)
{
    std::unique_ptr<audio::PlayChain> chain = audio::create_play_chain(test::u16(test::fixture(name)));
    EXPECT_TRUE(chain) << name;
    return chain ? test::decode_all(chain->get_provider(), 4096).samples : test::Samples {};
}

// A mono block decoded.
test::Samples decode(const Bytes& block, uint32_t samples)
{
    test::Samples out(samples, int16_t(0xABAB));
    EXPECT_TRUE(audio::decode_adpcm_block(
        block.data(), block.size(), reinterpret_cast<uint8_t*>(out.data()), 1, samples));
    return out;
}

} // namespace

TEST(WavPcm, chunks_are_walked_over_headers_outside_the_rules_refused_and_seeks_land_on_frame_boundaries)
{
    test::TempDir dir;
    test::WavSpec spec = ramp_spec(1000);
    spec.chunks_before_data = {{"LIST", Bytes(25, 'x')}, {"fact", Bytes(4, 0)}};
    spec.chunks_after_data = {{"LIST", Bytes(7, 'y')}};
    // An odd 3-byte chunk written without its pad byte, right after the fmt body, then data or LIST.
    std::vector<Bytes> files = {test::make_wav(ramp_spec(1000)), test::make_wav(spec)};
    Bytes odd = ByteWriter().tag("junk").u32(3).raw("abc").bytes;
    for (Bytes unpadded : std::vector<Bytes>(files)) {
        unpadded.insert(unpadded.begin() + 36, odd.begin(), odd.end());
        files.push_back(unpadded);
    }
    // A data size past the file plays its whole frames.
    for (int64_t declared : {int64_t(1000 * 4 * 50), int64_t(0xFFFFFFFF)}) {
        files.push_back(test::make_wav({.data = test::ramp16(2000), .data_size = declared}));
        files.back().push_back(0x55); // half a frame after the last whole one
    }
    test::Samples ramp(2000);
    std::iota(ramp.begin(), ramp.end(), 0);
    for (const Bytes& bytes : files) {
        audio::FileReaderWAVPCM reader(write_temp(dir, bytes));
        ASSERT_TRUE(reader.is_open());
        // Positions in bytes.
        EXPECT_EQ(std::tuple(reader.length(), reader.bitrate(), reader.time_to_position(0.01)),
            std::tuple(4000, 44100u * 4 * 8, 441 * 4));
        EXPECT_EQ(test::decode_all(reader, 333).samples, ramp);
        EXPECT_EQ(reader.get_block(100).channels, 2) << "the end block keeps its format";
    }
    const Bytes good = test::make_wav(ramp_spec(10));
    auto splice = [](Bytes bytes, size_t at, size_t count, const Bytes& part) {
        bytes.erase(bytes.begin() + ptrdiff_t(at), bytes.begin() + ptrdiff_t(at + count));
        bytes.insert(bytes.begin() + ptrdiff_t(at), part.begin(), part.end());
        return bytes;
    };
    // A chunk before fmt, "Data" for "data", cut in fmt, RIFX; a LIST size of 0xFFFFFFF8 would bring
    // the walk back to the LIST header itself: no hang.
    test::WavSpec list = ramp_spec(10);
    list.chunks_before_data = {{"LIST", Bytes(8, 0)}};
    for (const Bytes& bytes : {splice(good, 12, 0, ByteWriter().tag("JUNK").u32(4).u32(0).bytes),
             splice(good, 36, 1, {'D'}), Bytes(good.begin(), good.begin() + 30), splice(good, 3, 1, {'X'}),
             splice(test::make_wav(list), 40, 4, {0xF8, 0xFF, 0xFF, 0xFF})})
        EXPECT_FALSE(audio::FileReaderWAVPCM(write_temp(dir, bytes)).is_open()) << bytes.size() << " bytes";

    audio::FileReaderWAVPCM reader(write_temp(dir, test::make_wav(ramp_spec(1000))));
    for (auto [to, expected] : {std::pair {4003, 4000}, {4, 4}, {3, 0}, {-9, 0}, {999999, 4000}}) {
        reader.seek_position(to);
        EXPECT_EQ(reader.position(), expected) << "seek to " << to;
        audio::PCMData block = reader.get_block(1);
        EXPECT_EQ(block.empty() ? -1 : test::sample16(block, 0), expected < 4000 ? expected / 2 : -1) << to;
    }
    // With block_align 0 it never moves and cannot skip.
    spec = ramp_spec(100);
    spec.block_align = 0;
    audio::FileReaderWAVPCM still(write_temp(dir, test::make_wav(spec)));
    ASSERT_TRUE(still.is_open());
    still.seek_position(40);
    EXPECT_EQ(still.position(), 0);
    EXPECT_FALSE(still.skip_forward(40));
    EXPECT_TRUE(still.get_block(100).empty());
    EXPECT_EQ(still.position_to_time(400), 0.0);
}

// Fixtures decode as sox does; damage stays in its block (ADPCM 2: bad predictor, 5: extremes).
TEST(WavCoded, fixtures_decode_exactly_as_sox_does_and_damage_stays_in_its_block)
{
    for (std::string name : {"adpcm_mono", "adpcm_stereo", "gsm"})
        EXPECT_EQ(decode_fixture("adpcm_gsm/" + name + ".wav"),
            test::pcm_file_samples(test::fixture("adpcm_gsm/" + name + "_sox.wav")))
            << name;
    test::Samples reference = test::pcm_file_samples(test::fixture("adpcm_gsm/adpcm_mono_sox.wav"));
    test::Samples ours = decode_fixture("adpcm_gsm/adpcm_mono_corrupt.wav");
    ASSERT_EQ(ours.size(), reference.size());
    for (size_t block = 0; block < 8; ++block) {
        auto at = [&](const test::Samples& v) { return v.begin() + ptrdiff_t(block * 500); };
        EXPECT_TRUE(block == 5
            || std::equal(at(ours), at(ours) + 500, block == 2 ? test::Samples(500).begin() : at(reference)))
            << "block " << block;
    }
    reference = test::pcm_file_samples(test::fixture("adpcm_gsm/gsm_sox.wav"));
    ours = decode_fixture("adpcm_gsm/gsm_corrupt.wav");
    ASSERT_EQ(ours.size(), reference.size());
    EXPECT_TRUE(std::equal(ours.begin(), ours.begin() + 4 * 320, reference.begin()));
    EXPECT_FALSE(std::equal(ours.begin() + 4 * 320, ours.begin() + 6 * 320, reference.begin() + 4 * 320));
}

TEST(DecoderADPCM, blocks_decode_as_worked_by_hand_and_bad_ones_are_refused_without_writing)
{
    // Predictor 0 (256, 0), delta 16, sample1 100: code 1 gives 116, delta 230 x 16 >> 8 raised to 16;
    // F (-1) 100; 8 (-8) -28 from the high nibble that ends an odd count. Predictor 5 (460, -208),
    // sample1 -100, sample2 300: (-46000 - 62400) >> 8 = -424, an arithmetic shift (a division gives
    // -423); then (-424 x 460 + 100 x 208) >> 8 = -681.
    for (const auto& [block, want] :
        {std::pair<Bytes, test::Samples> {{0, 16, 0, 100, 0, 0, 0, 0x1F, 0x81}, {0, 100, 116, 100, -28}},
            {{5, 16, 0, 0x9C, 0xFF, 0x2C, 0x01, 0x00}, {300, -100, -424, -681}}})
        EXPECT_EQ(decode(block, uint32_t(want.size())), want);
    // Every predictor of the standard table, with code 0: (1000 c1 - 500 c2) >> 8 (a mistyped
    // coefficient of a predictor the fixtures do not use shows only here).
    for (uint8_t p = 0; p < 7; ++p)
        EXPECT_EQ(decode({p, 16, 0, 0xE8, 0x03, 0x0C, 0xFE, 0x00}, 3)[2],
            (1000 * s_standard[p][0] - 500 * s_standard[p][1]) >> 8)
            << "predictor " << int(p);
    // Extreme codes clamp to 16 bits.
    test::Samples out
        = decode(test::cat({{0, 0xFF, 0x7F, 0x00, 0x7D, 0, 0}, Bytes(40, 0x77), Bytes(40, 0x88)}), 162);
    EXPECT_EQ(std::tuple(out[2], out[81], out[161]), std::tuple(32767, 32767, -32768));
    // A bad predictor, input too short for the codes, three channels, one sample.
    Bytes written(8, 0xAB);
    for (auto [predictor, size, channels, samples] :
        {std::tuple {7, 8, 1, 4}, {0, 7, 1, 4}, {0, 8, 1, 5}, {0, 8, 3, 2}, {0, 8, 1, 1}}) {
        const uint8_t block[] = {uint8_t(predictor), 16, 0, 100, 0, 0, 0, 0x11};
        EXPECT_FALSE(audio::decode_adpcm_block(
            block, size_t(size), written.data(), uint32_t(channels), uint32_t(samples)))
            << predictor << " " << size << " " << channels << " " << samples;
    }
    EXPECT_EQ(written, Bytes(8, 0xAB));
    // Blocks of a format the decoders cannot decode, or shorter than a block, give an empty block.
    liba::DataBuffer bytes = liba::DataBuffer::copy_of(numbered_blocks(2, 256).data(), 512);
    for (auto [channels, bits, align, size] : {std::tuple {1u, 8u, 256u, 512u}, {3u, 4u, 256u, 512u},
             {0u, 4u, 256u, 512u}, {1u, 4u, 0u, 512u}, {1u, 4u, 256u, 255u}})
        EXPECT_TRUE(
            audio::DecoderADPCM().decode_block({bytes.slice(0, size), channels, bits, 8000, align}).empty())
            << channels << "x" << bits << ", " << align;
    audio::DecoderGSM gsm;
    EXPECT_TRUE(gsm.decode_block({bytes.slice(0, 64)}).empty()) << "less than a block";
    EXPECT_EQ(std::pair(gsm.units_for_frames(161), gsm.units_for_frames(INT32_MAX)),
        std::pair(2, INT32_MAX / 160 + 1));
}

TEST(WavCoded, headers_outside_the_rules_are_refused_length_comes_from_fact_and_a_shrunk_file_rewinds)
{
    test::TempDir dir;
    const std::pair<const char*, CodedWav> cases[] = {{"ADPCM 8 bits per sample", {.bits = 8}},
        {"ADPCM 8 coefficients", {.coefficient_count = 8}}, {"ADPCM no channel", {.channels = 0}},
        {"ADPCM 3 channels", {.channels = 3, .block_align = 768}},
        {"ADPCM block_align 7", {.block_align = 7}},
        {"ADPCM block_align 14 stereo", {.channels = 2, .block_align = 14}},
        {"GSM 11025 Hz",
            {.format_tag = 49, .sample_rate = 11025, .block_align = 65, .samples_per_block = 320, .bits = 0}},
        {"GSM block_align 64", {.format_tag = 49, .block_align = 64, .samples_per_block = 320, .bits = 0}},
        {"GSM stereo",
            {.format_tag = 49, .channels = 2, .block_align = 65, .samples_per_block = 320, .bits = 0}},
        {"GSM 321 samples per block",
            {.format_tag = 49, .block_align = 65, .samples_per_block = 321, .bits = 0}}};
    for (auto [what, wav] : cases) {
        wav.data = numbered_blocks(2, 256);
        wav.fact = 1000;
        EXPECT_FALSE(open_coded(dir, wav)->is_open()) << what;
    }
    // Cut inside the coefficient table, inside the GSM extension.
    for (auto [wav, size] : {std::pair {CodedWav {}, 50}, {s_gsm, 38}}) {
        Bytes cut = make_coded_wav(wav);
        EXPECT_FALSE(
            audio::FileReaderWAVADPCM(write_temp(dir, Bytes(cut.begin(), cut.begin() + size))).is_open());
        EXPECT_FALSE(audio::FileReaderWAVGSM(dir.file("a.wav")).is_open());
    }
    EXPECT_TRUE(open_coded(dir, {.block_align = 8, .data = Bytes(8)})->is_open()) << "the smallest block";
    // ADPCM blocks hold 500 samples; a partial block follows the whole ones.
    for (auto [fact, blocks, length] :
        {std::tuple {3600, 8, 8}, {3500, 8, 7}, {0, 8, 8}, {100000, 8, 8}, {-1, 8, 8}, {4000, 7, 7}}) {
        SCOPED_TRACE(testing::Message() << "fact " << fact << ", " << blocks);
        CodedWav wav {.fact = fact};
        wav.data = numbered_blocks(blocks, wav.block_align);
        wav.data.resize(wav.data.size() + size_t(wav.block_align) - 1, 0xEE);
        std::unique_ptr<audio::FileReader> reader = open_coded(dir, wav);
        ASSERT_TRUE(reader->is_open());
        EXPECT_EQ(reader->length(), length);
        EXPECT_DOUBLE_EQ(reader->duration(), length * wav.samples_per_block / 8000.0);
    }
    std::unique_ptr<audio::FileReader> reader
        = open_coded(dir, {.samples_per_block = 0, .fact = 4000, .data = numbered_blocks(8, 256)});
    EXPECT_EQ(reader->length(), 8);
    EXPECT_EQ(reader->time_to_position(1.0), 0);
    EXPECT_FALSE(reader->skip_time(1.0));
    // Times convert truncated.
    reader = open_coded(dir, {.fact = 4000, .data = numbered_blocks(8, 256)});
    reader->seek_time(0.3);
    EXPECT_EQ(std::tuple(reader->position(), reader->time(), reader->position_to_time(3)),
        std::tuple(4, 0.25, 0.1875));
    for (auto [time, position] : {std::pair {0.0624, 0}, {-1.0, -16}, {1e12, INT32_MAX}})
        EXPECT_EQ(reader->time_to_position(time), position) << time;
    // A file that shrinks mid-block rewinds to the block boundary.
    CodedWav wav = s_gsm;
    wav.fact = 1600;
    wav.data = numbered_blocks(5, 65);
    Bytes file = make_coded_wav(wav);
    audio::FileReaderWAVGSM shrinking(write_temp(dir, file));
    ASSERT_EQ(shrinking.length(), 5);
    size_t data_start = file.size() - 5 * 65 - 1; // 325 bytes of data and a pad byte
    std::filesystem::resize_file(dir.native("a.wav"), data_start + 3 * 65 + 20);
    EXPECT_EQ(shrinking.get_block(10).size(), 3 * 65u);
    EXPECT_EQ(shrinking.position(), 3);
    EXPECT_TRUE(shrinking.get_block(1).empty());
    test::write_file(dir.native("a.wav"), file);
    audio::GSMData block = shrinking.get_block(1);
    ASSERT_EQ(block.size(), 65u);
    EXPECT_EQ(std::pair(block.data.data()[0], block.data.data()[64]), std::pair(uint8_t(3), uint8_t(3)));
}
