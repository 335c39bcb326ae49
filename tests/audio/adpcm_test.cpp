#include "audio/decoder_adpcm.h"
#include "audio/file_reader_wav_adpcm.h"
#include "audio/file_reader_wav_pcm.h"
#include "audio/play_chain.h"
#include "decoded_audio.h"
#include "os/file.h"
#include "support/test_support.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using test::Bytes;
using test::ByteWriter;

constexpr int16_t s_standard[7][2]
    = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

struct AdpcmWav {
    uint16_t channels = 1;
    uint16_t bits = 4;
    int32_t block_align = 256;
    uint16_t samples_per_block = 500;
    uint16_t coefficient_count = 7;
    int16_t coefficient_offset = 0; // added to every stored coefficient
    int64_t fact = -1; // -1: no "fact" chunk
    Bytes data {};
};

Bytes make_adpcm_wav(const AdpcmWav& w)
{
    ByteWriter ext;
    ext.u16(uint16_t(4 * (w.coefficient_count + 1))).u16(w.samples_per_block).u16(w.coefficient_count);
    for (int i = 0; i < w.coefficient_count; ++i)
        ext.u16(uint16_t(s_standard[i % 7][0] + w.coefficient_offset))
            .u16(uint16_t(s_standard[i % 7][1] + w.coefficient_offset));
    test::WavSpec spec;
    spec.format_tag = 2;
    spec.channels = w.channels;
    spec.sample_rate = 8000;
    spec.bits = w.bits;
    spec.block_align = w.block_align;
    spec.fmt_extra = ext.bytes;
    if (w.fact >= 0)
        spec.chunks_before_data.push_back({"fact", ByteWriter().u32(uint32_t(w.fact)).bytes});
    spec.data = w.data;
    return test::make_wav(spec);
}

// count mono blocks of block_align bytes; block i starts from sample1 = 100 i, so blocks can be told
// apart once decoded.
Bytes mono_blocks(int count, int block_align = 256)
{
    ByteWriter out;
    for (int i = 0; i < count; ++i) {
        out.u8(0).u16(16).u16(uint16_t(100 * i)).u16(0);
        out.raw(Bytes(size_t(block_align - 7), 0x00));
    }
    return out.bytes;
}

std::u16string write_temp(const test::TempDir& dir, const Bytes& bytes, const char* name = "a.wav")
{
    test::write_file(dir.native(name), bytes);
    return dir.file(name);
}

std::vector<int16_t> decode_file(const std::filesystem::path& path)
{
    std::unique_ptr<audio::PlayChain> chain = audio::create_play_chain(test::u16(path));
    EXPECT_TRUE(chain) << path;
    return chain ? test::decode_all(chain->get_provider(), 4096).samples : std::vector<int16_t> {};
}

std::vector<int16_t> decode(const uint8_t* block, size_t size, uint32_t channels, uint32_t samples)
{
    std::vector<uint8_t> out(channels * samples * 2, 0xAB);
    EXPECT_TRUE(audio::decode_adpcm_block(block, size, out.data(), channels, samples));
    audio::PCMData pcm {liba::DataBuffer::copy_of(out.data(), uint32_t(out.size())), 1, 16, 8000};
    return test::samples_of(pcm);
}

} // namespace

TEST(DecoderADPCM, decodes_the_fixtures_exactly_as_sox_does)
{
    for (const char* name : {"adpcm_mono", "adpcm_stereo"}) {
        SCOPED_TRACE(name);
        std::string base = std::string("adpcm_gsm/") + name;
        std::vector<int16_t> ours = decode_file(test::fixture(base + ".wav"));
        EXPECT_EQ(ours, test::pcm_file_samples(test::fixture(base + "_sox.wav")));
        bool stereo = std::string(name) == "adpcm_stereo";
        std::vector<int16_t> source = test::pcm_file_samples(
            test::fixture(stereo ? "adpcm_gsm/source_stereo.wav" : "adpcm_gsm/source_mono.wav"));
        EXPECT_EQ(ours.size(), source.size());
        EXPECT_GT(test::snr_db(source, ours), 18.0);
    }
}

TEST(DecoderADPCM, samples_per_block_follows_block_align)
{
    EXPECT_EQ(audio::adpcm_samples_per_block(256, 1), 500u);
    EXPECT_EQ(audio::adpcm_samples_per_block(512, 2), 500u);
    EXPECT_EQ(audio::adpcm_samples_per_block(512, 1), 1012u);
    EXPECT_EQ(audio::adpcm_samples_per_block(1024, 2), 1012u);
    EXPECT_EQ(audio::adpcm_samples_per_block(8, 1), 4u);
    EXPECT_EQ(audio::adpcm_samples_per_block(15, 2), 3u);
    for (auto [align, channels] : {std::pair {0u, 1u}, {7u, 1u}, {14u, 2u}, {256u, 0u}, {256u, 3u}})
        EXPECT_EQ(audio::adpcm_samples_per_block(align, channels), 0u) << align << " " << channels;
}

TEST(DecoderADPCM, predicts_adds_and_adapts_as_worked_by_hand)
{
    // Predictor 0 (256, 0), delta 16, sample1 100, sample2 0. Code 1: 100 + 16 = 116, delta
    // 230 x 16 >> 8 = 14 -> raised to 16. Code F (-1): 116 - 16 = 100. Code 8 (-8): 100 - 128 = -28,
    // delta 768 x 16 >> 8 = 48. Code 1: -28 + 48 = 20.
    uint8_t mono[] = {0, 16, 0, 100, 0, 0, 0, 0x1F, 0x81};
    EXPECT_EQ(decode(mono, sizeof mono, 1, 6), (std::vector<int16_t> {0, 100, 116, 100, -28, 20}));
    // An odd number of codes ends on the high nibble of the last byte.
    EXPECT_EQ(decode(mono, sizeof mono, 1, 5), (std::vector<int16_t> {0, 100, 116, 100, -28}));
    // Predictor 5 (460, -208) with sample1 -100, sample2 300: (-46000 - 62400) >> 8 = -424, an
    // arithmetic shift (a division would give -423).
    uint8_t shift[] = {5, 16, 0, 0x9C, 0xFF, 0x2C, 0x01, 0x00};
    EXPECT_EQ(decode(shift, sizeof shift, 1, 4), (std::vector<int16_t> {300, -100, -424, -681}));
    // Then (-424 x 460 + 100 x 208) >> 8 = -681.
    // Stereo: header fields interleave left/right; the high nibble is left, the low one right.
    // Right uses predictor 1 (512, -256): (20 x 512 - 2 x 256) >> 8 + 32 x 2 = 102.
    uint8_t stereo[] = {0, 1, 16, 0, 32, 0, 10, 0, 20, 0, 1, 0, 2, 0, 0x12};
    EXPECT_EQ(decode(stereo, sizeof stereo, 2, 3), (std::vector<int16_t> {1, 2, 10, 20, 26, 102}));
}

TEST(DecoderADPCM, clamps_to_16_bits_on_extreme_codes)
{
    Bytes block {0, 0xFF, 0x7F, 0x00, 0x7D, 0, 0};
    block.resize(7 + 40, 0x77);
    block.resize(7 + 80, 0x88);
    std::vector<int16_t> out = decode(block.data(), block.size(), 1, 2 + 160);
    EXPECT_EQ(out[2], 32767);
    EXPECT_EQ(out[81], 32767);
    EXPECT_EQ(out[161], -32768);
}

TEST(DecoderADPCM, refuses_a_block_it_cannot_decode_without_writing)
{
    uint8_t good[] = {0, 16, 0, 100, 0, 0, 0, 0x11};
    uint8_t bad_predictor[] = {7, 16, 0, 100, 0, 0, 0, 0x11};
    uint8_t out[8] = {0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB};
    EXPECT_FALSE(audio::decode_adpcm_block(bad_predictor, 8, out, 1, 4));
    EXPECT_FALSE(audio::decode_adpcm_block(good, 7, out, 1, 4)) << "input too short for the codes";
    EXPECT_FALSE(audio::decode_adpcm_block(good, 8, out, 1, 5)) << "input too short for the codes";
    EXPECT_FALSE(audio::decode_adpcm_block(good, 8, out, 3, 2));
    EXPECT_FALSE(audio::decode_adpcm_block(good, 8, out, 1, 1));
    for (uint8_t b : out)
        EXPECT_EQ(b, 0xAB);
}

TEST(DecoderADPCM, a_bad_predictor_silences_only_its_block)
{
    std::vector<int16_t> reference = test::pcm_file_samples(test::fixture("adpcm_gsm/adpcm_mono_sox.wav"));
    std::vector<int16_t> ours = decode_file(test::fixture("adpcm_gsm/adpcm_mono_corrupt.wav"));
    ASSERT_EQ(ours.size(), reference.size());
    for (size_t block = 0; block < 8; ++block) {
        auto first = ours.begin() + ptrdiff_t(block * 500);
        std::vector<int16_t> got(first, first + 500);
        std::vector<int16_t> expected(
            reference.begin() + ptrdiff_t(block * 500), reference.begin() + ptrdiff_t(block * 500 + 500));
        if (block == 2) {
            EXPECT_EQ(got, std::vector<int16_t>(500, 0));
        } else if (block != 5) { // block 5 holds extreme values, decoded but different
            EXPECT_EQ(got, expected) << "block " << block;
        }
    }
}

TEST(DecoderADPCM, a_format_it_cannot_decode_gives_an_empty_block)
{
    audio::DecoderADPCM decoder;
    liba::DataBuffer bytes = liba::DataBuffer::copy_of(mono_blocks(2).data(), 512);
    EXPECT_EQ(decoder.decode_block({bytes, 1, 4, 8000, 256}).frames(), 1000u);
    EXPECT_TRUE(decoder.decode_block({bytes, 1, 8, 8000, 256}).empty());
    EXPECT_TRUE(decoder.decode_block({bytes, 3, 4, 8000, 256}).empty());
    EXPECT_TRUE(decoder.decode_block({bytes, 1, 4, 8000, 7}).empty());
    EXPECT_TRUE(decoder.decode_block({bytes, 1, 4, 8000, 0}).empty());
    EXPECT_TRUE(decoder.decode_block({bytes.slice(0, 255), 1, 4, 8000, 256}).empty());
    EXPECT_EQ(decoder.units_for_frames(16384), 1);
}

TEST(FileReaderWAVADPCM, decodes_with_the_standard_table_whatever_the_file_holds)
{
    test::TempDir dir;
    Bytes block {1, 16, 0, 0xE8, 0x03, 0xF4, 0x01};
    block.resize(256, 0x11);
    AdpcmWav plain {.fact = 500, .data = block};
    AdpcmWav odd = plain;
    odd.coefficient_offset = 37;
    std::unique_ptr<audio::PlayChain> a
        = audio::create_play_chain(write_temp(dir, make_adpcm_wav(plain), "a.wav"));
    std::unique_ptr<audio::PlayChain> b
        = audio::create_play_chain(write_temp(dir, make_adpcm_wav(odd), "b.wav"));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(static_cast<audio::FileReaderWAVADPCM&>(b->get_reader()).adpcm_info().coefficients[1].first,
        512 + 37);
    std::vector<int16_t> samples = test::decode_all(a->get_provider(), 4096).samples;
    EXPECT_EQ(samples, test::decode_all(b->get_provider(), 4096).samples);
    EXPECT_EQ(samples[2], (1000 * 512 - 500 * 256) / 256 + 16);
}

TEST(FileReaderWAVADPCM, refuses_headers_outside_its_rules)
{
    test::TempDir dir;
    struct Case {
        const char* what;
        AdpcmWav wav;
    };
    const Case cases[] = {
        {"8 bits per sample", {.bits = 8}},
        {"coefficient_count 8", {.coefficient_count = 8}},
        {"coefficient_count 6", {.coefficient_count = 6}},
        {"no channel", {.channels = 0}},
        {"3 channels", {.channels = 3, .block_align = 768}},
        {"block_align 0", {.block_align = 0}},
        {"block_align 7 mono", {.block_align = 7}},
        {"block_align 14 stereo", {.channels = 2, .block_align = 14}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AdpcmWav wav = c.wav;
        wav.data = mono_blocks(2);
        wav.fact = 1000;
        EXPECT_FALSE(audio::FileReaderWAVADPCM(write_temp(dir, make_adpcm_wav(wav))).is_open());
        std::unique_ptr<audio::PlayChain> chain = audio::create_play_chain(dir.file("a.wav"));
        EXPECT_TRUE(!chain || chain->get_codec_name() != u"ADPCM");
    }
    Bytes cut = make_adpcm_wav({.fact = 1000, .data = mono_blocks(2)});
    cut.resize(50); // inside the coefficient table
    EXPECT_FALSE(audio::FileReaderWAVADPCM(write_temp(dir, cut)).is_open());
    EXPECT_TRUE(
        audio::FileReaderWAVADPCM(write_temp(dir, make_adpcm_wav({.block_align = 8, .data = Bytes(8)})))
            .is_open());
}

TEST(FileReaderWAVADPCM, length_comes_from_fact_cut_to_the_blocks_present)
{
    test::TempDir dir;
    struct Case {
        int64_t fact;
        int blocks;
        int32_t length;
    };
    // 8 blocks of 500 samples present unless stated.
    for (Case c : {Case {4000, 8, 8}, {3600, 8, 8}, {3500, 8, 7}, {1, 8, 1}, {-1, 8, 8}, {0, 8, 8},
             {100000, 8, 8}, {4000, 3, 3}}) {
        SCOPED_TRACE(testing::Message() << "fact " << c.fact << ", " << c.blocks << " blocks");
        Bytes data = mono_blocks(c.blocks);
        data.resize(data.size() + 100, 0); // a stray partial block
        audio::FileReaderWAVADPCM reader(write_temp(dir, make_adpcm_wav({.fact = c.fact, .data = data})));
        ASSERT_TRUE(reader.is_open());
        EXPECT_EQ(reader.length(), c.length);
        EXPECT_DOUBLE_EQ(reader.duration(), c.length * 500 / 8000.0);
        while (!reader.get_block(3).empty()) { }
        EXPECT_EQ(reader.position(), c.length);
        EXPECT_TRUE(reader.is_end());
    }
    audio::FileReaderWAVADPCM no_spb(
        write_temp(dir, make_adpcm_wav({.samples_per_block = 0, .fact = 4000, .data = mono_blocks(8)})));
    EXPECT_EQ(no_spb.length(), 8);
    EXPECT_EQ(no_spb.time_to_position(1.0), 0);
    EXPECT_FALSE(no_spb.skip_time(1.0));
}

TEST(FileReaderWAVADPCM, seeks_by_block_within_the_stream)
{
    test::TempDir dir;
    Bytes data = mono_blocks(8);
    audio::FileReaderWAVADPCM reader(write_temp(dir, make_adpcm_wav({.fact = 4000, .data = data})));
    reader.seek_position(3);
    audio::ADPCMData block = reader.get_block(2);
    ASSERT_EQ(block.size(), 512u);
    EXPECT_EQ(
        Bytes(block.data.data(), block.data.data() + 512), Bytes(data.begin() + 768, data.begin() + 1280));
    EXPECT_EQ(reader.position(), 5);
    reader.seek_position(INT32_MAX);
    EXPECT_EQ(reader.position(), 8);
    reader.seek_time(0.25);
    EXPECT_EQ(reader.position(), 4);
    EXPECT_EQ(reader.time_to_position(0.0624), 0);
    EXPECT_EQ(reader.time_to_position(-1.0), -16);
    EXPECT_EQ(reader.time_to_position(1e12), INT32_MAX);
    EXPECT_DOUBLE_EQ(reader.position_to_time(3), 0.1875);
}

TEST(FileReaderWAVADPCM, writes_the_extension_it_reads)
{
    test::TempDir dir;
    audio::FileReaderWAVADPCM source(test::u16(test::fixture("adpcm_gsm/adpcm_mono.wav")));
    audio::WAVInfoADPCM record = source.adpcm_info();
    {
        os::File out(dir.file("w.wav"), os::FileMode::Write);
        ByteWriter head;
        head.tag("RIFF").u32(0).tag("WAVE").tag("fmt ").u32(16 + 2 + 32);
        head.u16(2).u16(1).u32(8000).u32(4096).u16(256).u16(4);
        out.write(head.bytes.data(), uint32_t(head.bytes.size()));
        ASSERT_TRUE(record.write_extension(out));
        ByteWriter data;
        data.tag("data").u32(512).raw(mono_blocks(2));
        out.write(data.bytes.data(), uint32_t(data.bytes.size()));
    }
    audio::FileReaderWAVADPCM back(dir.file("w.wav"));
    ASSERT_TRUE(back.is_open());
    EXPECT_EQ(back.adpcm_info().samples_per_block, 500);
    EXPECT_EQ(back.adpcm_info().fact_samples, 4000u);
    EXPECT_EQ(back.adpcm_info().coefficients[6].second, -232);
    EXPECT_EQ(back.length(), 2);
}
