#include "audio/equalizer_pcm.h"
#include "audio/play_chain.h"
#include "audio/player_pcm.h"
#include "audio/player_pcm_impl.h"
#include "audio/processor.h"
#include "scripted_wave_out.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>

namespace {

using audio::PCMData;
using test::counting_block;
using test::wait_until;
using Calls = std::vector<std::string>;

std::vector<uint8_t> bytes_of(const std::vector<PCMData>& blocks)
{
    std::vector<uint8_t> all;
    for (const PCMData& block : blocks)
        all.insert(all.end(), block.data.data(), block.data.data() + block.size());
    return all;
}

// Interleaved 16-bit frames given per channel as a repeating pattern.
PCMData pattern16(uint32_t frames, const std::vector<std::vector<int16_t>>& channels, int32_t rate = 44100)
{
    std::vector<uint8_t> bytes;
    for (uint32_t f = 0; f < frames; ++f)
        for (const std::vector<int16_t>& channel : channels) {
            auto v = uint16_t(channel[f % channel.size()]);
            bytes.insert(bytes.end(), {uint8_t(v), uint8_t(v >> 8)});
        }
    return PCMData {
        liba::DataBuffer::copy_of(bytes.data(), uint32_t(bytes.size())), int32_t(channels.size()), 16, rate};
}

// The player on the scripted device with a scripted source; a broken device rule fails the test.
class PlayerPCMScripted : public ::testing::Test {
protected:
    void SetUp() override { source.connect(player.get()); }
    void TearDown() override
    {
        player.reset();
        EXPECT_EQ(device.refusals(), 0) << "the player broke a rule of the device";
    }
    bool drained()
    {
        return wait_until([&] { return player->is_drained(); });
    }
    bool queued(size_t count)
    {
        return wait_until([&] { return device.queued() == count; });
    }
    bool play_queued(size_t count) { return player->play() && queued(count); }
    bool stop_drained() { return player->stop(), drained(); }
    Calls last_calls(size_t count)
    {
        Calls calls = device.calls();
        return Calls(calls.end() - ptrdiff_t(std::min(count, calls.size())), calls.end());
    }

    test::ScriptedWaveOut device;
    test::BlockSource source;
    std::unique_ptr<audio::PlayerPCM> player = std::make_unique<audio::PlayerPCM>(device.factory());
};

TEST(PlayerPCM, device_formats_and_peak_levels_of_every_sample_width)
{
    EXPECT_EQ(audio::device_format_for(2, 12, 44100).bits_per_sample, 16);
    EXPECT_EQ(audio::device_format_for(1, 4, 8000).bits_per_sample, 8);
    for (auto [channels, bits, rate] : {std::tuple {2, 40, 44100}, {2, 0, 44100}, {9, 16, 44100}, {2, 16, 0}})
        EXPECT_FALSE(audio::device_format_for(channels, bits, rate).valid()) << channels << " " << bits;
    EXPECT_EQ(audio::player_buffer_bytes({0, 16, 44100}), 0);
    // Data, channels, bits and the two levels; channels past the second must not leak into them.
    const std::tuple<std::vector<uint8_t>, int32_t, int32_t, double, double> cases[] = {
        {{0, 0, 0, 0x40, 0x9C, 0xFF}, 1, 16, 0.5, 0.5}, {{100, 0, 0, 0x80, 0, 0xE0, 5, 0}, 2, 16, 0.25, 1.0},
        {{0, 4, 0, 8, 0xFF, 0x7F, 0xFF, 0x7F}, 4, 16, 1024 / 32768.0, 2048 / 32768.0},
        {{192, 0, 128, 100}, 2, 8, 0.5, 1.0}, {{0x00, 0x00, 0x40, 0x00, 0x00, 0xC0}, 1, 24, 0.5, 0.5},
        {{0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x20}, 2, 32, 1.0, 0.25},
        {{0xFF, 0x7F, 0xFF, 0x7F}, 0, 16, 0, 0}, {{0xFF, 0x7F, 0xFF, 0x7F}, 2, 12, 0, 0},
        {{0xFF, 0x7F, 0xFF}, 2, 16, 0, 0}};
    for (const auto& [data, channels, bits, left, right] : cases) {
        audio::PeakLevels levels = audio::peak_levels(data.data(), uint32_t(data.size()), channels, bits);
        EXPECT_EQ(std::pair(levels.level[0], levels.level[1]), std::pair(left, right))
            << channels << "x" << bits << ", " << data.size();
    }
    audio::PeakLevels null = audio::peak_levels(nullptr, 4, 2, 16);
    EXPECT_EQ(null.level[0] + null.level[1], 0.0);
}

// The old device drains and closes; one for the waiting block opens, also when the change falls on a
// buffer boundary (an empty write ends the old stream there). A stop while draining forgets that block.
TEST_F(PlayerPCMScripted, a_format_change_drains_closes_and_reopens_for_the_waiting_block)
{
    source.add({counting_block(3000, 2, 16, 44100), counting_block(1000, 2, 16, 22050)});
    ASSERT_TRUE(play_queued(1));
    ASSERT_TRUE(stop_drained());
    std::vector<PCMData> sent;
    for (auto [first, second, buffers, calls] :
        {std::tuple {counting_block(3000, 2, 16, 44100, 0), counting_block(1000, 2, 16, 22050, 77), 1,
             Calls {"open 2x16@44100", "volume ffffffff", "write 12000", "close", "open 2x16@22050",
                 "volume ffffffff", "write 4000", "close"}},
            {counting_block(8820, 2, 16, 44100, 1), counting_block(1000, 1, 16, 44100, 9), 2,
                Calls {"open 2x16@44100", "volume ffffffff", "write 35280", "write 0", "close",
                    "open 1x16@44100", "volume ffffffff", "write 2000", "close"}}}) {
        source.add({first, second});
        ASSERT_TRUE(play_queued(size_t(buffers)));
        for (int i = 0; i < buffers; ++i)
            ASSERT_TRUE(device.complete());
        sent.insert(sent.end(), {first, second});
        ASSERT_TRUE(wait_until(
            [&] { return device.calls("open").size() == sent.size() + 1 && device.queued() == 1; }));
        EXPECT_FALSE(player->is_drained());
        ASSERT_TRUE(device.complete());
        ASSERT_TRUE(drained());
        EXPECT_EQ(last_calls(calls.size()), calls);
        EXPECT_EQ(device.played(), bytes_of(sent));
    }
}

// Stop drops the waiting rest; pause holds the queue for the next play; the player's end closes.
TEST_F(PlayerPCMScripted, stop_pause_play_and_destruction_along_one_long_block)
{
    PCMData block = counting_block(44100 * 8, 2, 16, 44100, 1);
    source.add({block});
    ASSERT_TRUE(play_queued(6));
    ASSERT_TRUE(stop_drained());
    // Four pulls of 16384 frames filled six buffers; the rest of the fourth went with the stop.
    ASSERT_TRUE(play_queued(6));
    ASSERT_TRUE(device.complete());
    ASSERT_TRUE(player->pause());
    ASSERT_TRUE(wait_until([&] { return device.is_paused(); }));
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(wait_until([&] { return !device.is_paused(); }));
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(device.complete());
    EXPECT_EQ(device.played(), bytes_of({block.slice(4 * 65536, 6 * 35280)}));
    ASSERT_TRUE(queued(6));
    player->pause();
    ASSERT_TRUE(wait_until([&] { return device.is_paused(); }));
    ASSERT_TRUE(stop_drained());
    EXPECT_EQ(last_calls(4), (Calls {"pause", "reset", "restart", "close"}));
    ASSERT_TRUE(play_queued(6));
    EXPECT_FALSE(device.is_paused()) << "the next device is not held by the old pause";
    player.reset();
    EXPECT_EQ(last_calls(2), (Calls {"reset", "close"}));
    EXPECT_FALSE(device.is_open());
}

TEST_F(PlayerPCMScripted, requests_while_the_close_notice_is_on_its_way_wait_for_the_next_device)
{
    source.add({counting_block(3000, 2, 16, 44100)});
    device.hold_close_notice();
    ASSERT_TRUE(play_queued(1));
    player->stop();
    ASSERT_TRUE(wait_until([&] { return device.close_notice_held(); }));
    // None of these may reach the closed device.
    player->stop();
    player->pause();
    player->set_volume(0.5);
    player->play();
    player->pause();
    source.add({counting_block(1000, 2, 16, 44100, 9)});
    EXPECT_FALSE(player->is_drained());
    device.release_close_notice();
    ASSERT_TRUE(wait_until([&] { return device.calls("open").size() == 2 && device.queued() == 1; }));
    Calls calls = device.calls();
    auto close = std::find(calls.begin(), calls.end(), "close");
    ASSERT_NE(close, calls.end());
    EXPECT_EQ(*std::next(close), "open 2x16@44100") << "a call reached the closed device";
    EXPECT_TRUE(device.is_paused()) << "the pause wished meanwhile holds the new device";
    EXPECT_EQ(device.volume(), audio::player_volume_word(0.5));
}

// Unplayable blocks, failed opens and refused buffers all wait for the next play.
TEST_F(PlayerPCMScripted, failed_opens_and_refused_buffers_wait_for_the_next_play)
{
    source.add({PCMData {liba::DataBuffer::make(4000), 2, 40, 44100}});
    player->play();
    ASSERT_TRUE(wait_until([&] { return player->open_failed(); }));
    EXPECT_EQ(device.open_attempts(), 0);
    PCMData block = counting_block(2000, 1, 8, 11025);
    source.add({block});
    device.fail_opens(1);
    player->play();
    ASSERT_TRUE(wait_until([&] { return device.open_attempts() == 1 && player->open_failed(); }));
    EXPECT_FALSE(player->is_drained()) << "the block that could not play still waits";
    ASSERT_TRUE(play_queued(1));
    EXPECT_FALSE(player->open_failed());
    device.complete();
    ASSERT_TRUE(drained());
    EXPECT_EQ(device.played(), bytes_of({block})) << "nothing is lost";

    source.add({counting_block(44100 * 3, 2, 16, 44100)});
    device.refuse_write(3); // the third write of this block
    player->play();
    ASSERT_TRUE(wait_until([&] { return device.calls("write").size() == 4 && device.queued() == 2; }));
    device.complete();
    device.complete();
    ASSERT_TRUE(wait_until([&] { return device.calls("close").size() == 2 && player->device_failed(); }));
    EXPECT_EQ(device.calls("open").size(), 3u);
    ASSERT_TRUE(stop_drained());
    player->play();
    ASSERT_TRUE(wait_until([&] { return device.calls("open").size() == 4 && device.queued() == 6; }));
    EXPECT_FALSE(player->device_failed());
}

// The wish to play, the volume and the listener's pause survive an empty chain and a reopen.
TEST_F(PlayerPCMScripted, play_wanted_volume_and_pause_survive_an_empty_chain_and_a_reopen)
{
    player->set_volume(0.5);
    player->play();
    ASSERT_TRUE(drained());
    EXPECT_EQ(device.open_attempts(), 0);
    PCMData block = counting_block(44100 * 3, 2, 16, 44100);
    // A format change between: the device closes and reopens.
    source.add({block.slice(0, 12000), counting_block(1000, 1, 16, 44100), block.slice(12000, 40000)});
    player->pause();
    ASSERT_TRUE(wait_until([&] { return device.is_paused() && device.queued() == 1; }));
    EXPECT_EQ(device.calls("volume"), Calls {"volume 7fff7fff"}) << "applied at open";
    device.complete(); // the device went on with what it held, then closes
    ASSERT_TRUE(wait_until([&] { return device.calls("open").size() == 2 && device.queued() == 1; }));
    EXPECT_TRUE(device.is_paused()) << "the listener paused: the reopened device must not play";
    for (auto [volume, stored, word] : {std::tuple {1.7, 1.0, 0xFFFFFFFFu}, {-0.2, 0.0, 0u},
             {std::numeric_limits<double>::quiet_NaN(), 0.0, 0u}}) {
        player->set_volume(volume);
        EXPECT_EQ(std::pair(player->get_volume(), device.volume()), std::pair(stored, word)) << volume;
    }
}

// Buffers refill three at a time once three or fewer are queued; levels follow the returned one.
TEST_F(PlayerPCMScripted, buffers_are_refilled_three_at_a_time_and_levels_follow_the_returned_ones)
{
    for (int16_t i = 1; i <= 9; ++i)
        source.add({pattern16(8820, {{int16_t(1000 * i)}, {int16_t(-500 * i), 7}})});
    player->play();
    EXPECT_EQ(player->get_level(0), 0.0);
    ASSERT_TRUE(queued(6));
    for (int i = 1; i <= 2; ++i) {
        device.complete();
        ASSERT_TRUE(wait_until([&] { return player->get_level(0) == 1000 * i / 32768.0; }));
        EXPECT_EQ(std::tuple(player->get_level(-1), player->get_level(1), player->get_level(5)),
            std::tuple(1000 * i / 32768.0, 500 * i / 32768.0, 500 * i / 32768.0));
        EXPECT_EQ(device.queued(), size_t(6 - i)) << "nothing filled while more than three are queued";
    }
    device.complete();
    ASSERT_TRUE(queued(6));
    EXPECT_EQ(device.calls("write").size(), 9u);
    ASSERT_TRUE(stop_drained());
    EXPECT_EQ(player->get_level(0) + player->get_level(1), 0.0) << "cleared when the device closes";
}

TEST(PlayerPCMDeathTest, a_pushed_block_ends_the_process)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(audio::PlayerPCM(os::wave_out_factory("null")).on_data(counting_block(10, 2, 16, 44100)),
        "PlayerPCM::on_data: on_data unexpected - player is active object");
}

// An endless source of 16-bit mono blocks at 8000 Hz whose every sample holds the source's mark.
class MarkedSource : public audio::Provider<PCMData> {
public:
    explicit MarkedSource(int16_t mark) { m_mark = mark; }
    PCMData get_block(int32_t max) override
    {
        m_pulls.fetch_add(1);
        return pattern16(uint32_t(std::clamp(max, 0, 256)), {{m_mark}}, 8000);
    }
    int pulls() const { return m_pulls.load(); }

private:
    int16_t m_mark;
    std::atomic<int> m_pulls {0};
};

// A pass-through stage with its own lock, standing where the equalizer stands.
class PassThrough : public audio::Processor<PCMData, PCMData> {
protected:
    PCMData process(const PCMData& in) override { return in; }
};

// Chains relinked under the stage's lock and deleted: no sample of a deleted chain comes out.
TEST(PlayerPCMConcurrency, chains_swapped_while_the_thread_pulls)
{
    test::TempDir dir;
    for (std::string backend : {std::string("null"), "file:" + dir.native("out.wav").string() + ",fast"}) {
        auto current = std::make_unique<MarkedSource>(1);
        PassThrough stage;
        audio::PlayerPCM player(os::wave_out_factory(backend));
        stage.connect(&player);
        current->connect(&stage);
        player.play();
        int16_t mark = 1;
        // The silent backend hands buffers back in real time: fewer rounds there.
        for (int round = 0; round < (backend == "null" ? 8 : 100); ++round) {
            ASSERT_TRUE(wait_until([&] { return current->pulls() > 0; }));
            auto next = std::make_unique<MarkedSource>(++mark);
            next->connect(&stage);
            current = std::move(next);
            if (round % 10 == 0) {
                auto direct = std::make_unique<MarkedSource>(++mark);
                direct->connect(&player);
                ASSERT_TRUE(wait_until([&] { return direct->pulls() > 0; }));
                stage.connect(&player);
            }
        }
        player.stop();
        ASSERT_TRUE(wait_until([&] { return player.is_drained(); }));
        if (backend == "null")
            continue;
        std::vector<uint8_t> data = test::read_file(dir.native("out.wav"));
        ASSERT_GT(data.size(), 44u);
        for (size_t i = 44; i + 1 < data.size(); i += 2)
            ASSERT_TRUE((data[i] | data[i + 1] << 8) >= 1 && (data[i] | data[i + 1] << 8) <= mark) << i;
    }
}

// The track loop through the equalizer while the UI thread reads every stage (lock order).
TEST(PlayerPCMConcurrencyChains, the_track_loop_through_the_equalizer_keeps_the_lock_order)
{
    test::TempDir dir;
    const char* files[] = {"vorbis_mpc/sweep_44k_mono.wav", "adpcm_gsm/adpcm_stereo_sox.wav",
        "mp3/mpeg1_44k_stereo_cbr128.mp3", "adpcm_gsm/gsm_sox.wav"};
    audio::EqualizerPCM equalizer;
    equalizer.set_amplitude(6.0);
    audio::PlayerPCM player(os::wave_out_factory("file:" + dir.native("out.wav").string() + ",fast"));
    equalizer.connect(&player);
    std::unique_ptr<audio::PlayChain> chain;
    for (int round = 0; round < 12; ++round) {
        std::unique_ptr<audio::PlayChain> next
            = audio::create_play_chain(test::u16(test::fixture(files[round % 4])));
        ASSERT_TRUE(next) << round;
        player.stop();
        if (chain)
            chain->get_provider().connect(nullptr);
        chain = std::move(next);
        chain->get_provider().connect(&equalizer);
        chain->get_reader().seek_position(0);
        equalizer.reset();
        ASSERT_TRUE(player.play());
        audio::FileReader& reader = chain->get_reader();
        // Every third track plays to its end; the others are cut short, as a listener skipping does.
        while (round % 3 == 0 ? !player.is_drained() : reader.position() == 0) {
            reader.length();
            reader.time();
            player.get_level(round % 2);
            player.set_volume(0.8);
            equalizer.set_amplitude(round % 2 ? 3.0 : 6.0);
            equalizer.frequency();
            std::this_thread::yield();
        }
    }
    player.stop();
    ASSERT_TRUE(wait_until([&] { return player.is_drained(); }));
    chain->get_provider().connect(nullptr);
}

TEST(PlayerPCMConcurrencyScripted, a_device_completing_buffers_on_its_own_thread_while_the_ui_requests)
{
    test::ScriptedWaveOut device;
    MarkedSource source(5);
    {
        audio::PlayerPCM player(device.factory());
        source.connect(&player);
        player.play();
        std::atomic<bool> stop {false};
        std::thread sound([&] {
            while (!stop.load())
                if (!device.complete())
                    std::this_thread::yield();
        });
        for (int i = 0; i < 2000; ++i) {
            if (i % 5 == 0)
                player.pause();
            else if (i % 5 == 2)
                player.play();
            else if (i % 97 == 0)
                player.stop();
            player.get_level(0);
        }
        player.stop();
        EXPECT_TRUE(wait_until([&] { return player.is_drained(); }));
        stop = true;
        sound.join();
    }
    EXPECT_EQ(device.refusals(), 0);
    EXPECT_FALSE(device.is_open());
}

} // namespace
