#include "os/wave_out.h"

#include "liba/little_endian.h"
#include "os/wave_out/pcm_to_float.h"
#include "os/wave_out/wave_out_backends.h"
#include "os/wave_out/wave_out_paced.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <deque>

namespace {

using namespace std::chrono_literals;

// A header with its own bytes, filled with a sequence unique to seed.
struct Buffer {
    explicit Buffer(uint32_t length, uint32_t seed = 1)
        : bytes(length)
    {
        for (uint32_t i = 0; i < length; ++i)
            bytes[i] = uint8_t((uint32_t(i + seed * 7919u) * 2654435761u) >> 24);
        header.data = bytes.data();
        header.buffer_length = length;
    }
    std::vector<uint8_t> bytes;
    os::WaveHeader header;
};

// The next notice (which must be id from device, when given); an empty one, failing, if none comes.
os::Message next_notice(os::MessageQueue& queue, uint32_t id = 0, const os::WaveOut* device = nullptr)
{
    std::optional<os::Message> message = queue.get_for(20s);
    EXPECT_TRUE(message) << "no notice came";
    EXPECT_TRUE(!device || (message && message->id == id && message->wparam == uintptr_t(device)));
    return message.value_or(os::Message {});
}

os::WaveHeader* done_header(const os::Message& message)
{
    EXPECT_EQ(message.id, os::MM_WOM_DONE);
    return reinterpret_cast<os::WaveHeader*>(message.lparam);
}

bool queue_header(os::WaveOut& device, Buffer& buffer)
{
    return device.prepare(buffer.header) == os::WaveResult::Ok
        && device.write(buffer.header) == os::WaveResult::Ok;
}

void close_and_expect_notice(os::WaveOut& device, os::MessageQueue& queue)
{
    ASSERT_EQ(device.close(), os::WaveResult::Ok);
    next_notice(queue, os::MM_WOM_CLOSE, &device);
}

// A backend's choice; "@" stands for a file in the test's folder. SDL runs on its silent driver.
class WaveOutBackends : public ::testing::TestWithParam<const char*> {
protected:
    std::unique_ptr<os::WaveOut> open_only(const os::WaveFormat& format)
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::string choice = GetParam();
        if (size_t at = choice.find('@'); at != std::string::npos)
            choice.replace(at, 1, dir.native("out.wav").string());
        return os::open_wave_out(choice, format, queue);
    }
    std::unique_ptr<os::WaveOut> open(const os::WaveFormat& format)
    {
        std::unique_ptr<os::WaveOut> device = open_only(format);
        if (!device)
            return nullptr;
        next_notice(queue, os::MM_WOM_OPEN, device.get());
        return device;
    }

    test::TempDir dir;
    os::MessageQueue queue;
    // 10 ms per 160 bytes: short headers keep the paced backends quick.
    const os::WaveFormat format {1, 16, 8000};
};

TEST_P(WaveOutBackends,
    pause_holds_headers_headers_come_back_in_order_and_the_device_refuses_what_breaks_its_rules)
{
    std::unique_ptr<os::WaveOut> device = open(format);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->set_volume(0x12345678), os::WaveResult::Ok);
    EXPECT_EQ(device->volume(), 0x12345678u);

    ASSERT_EQ(device->pause(), os::WaveResult::Ok);
    Buffer buffer(160);
    EXPECT_EQ(device->write(buffer.header), os::WaveResult::Unprepared);
    ASSERT_TRUE(queue_header(*device, buffer));
    for (os::WaveResult queued : {device->write(buffer.header), device->prepare(buffer.header),
             device->unprepare(buffer.header), device->close()})
        EXPECT_EQ(queued, os::WaveResult::StillPlaying);
    os::WaveHeader no_data {.buffer_length = 16};
    EXPECT_EQ(device->prepare(no_data), os::WaveResult::InvalidParam);
    // A header coming back while paused is a fault whenever it happens; this gives it a chance.
    EXPECT_FALSE(queue.get_for(100ms)) << "played while paused, or a refused close posted";
    ASSERT_EQ(device->restart(), os::WaveResult::Ok);
    EXPECT_EQ(done_header(next_notice(queue)), &buffer.header);
    EXPECT_EQ(device->unprepare(buffer.header), os::WaveResult::Ok);

    std::array<Buffer, 5> buffers {
        Buffer(320, 1), Buffer(0, 2), Buffer(160, 3), Buffer(2, 4), Buffer(480, 5)};
    for (Buffer& buffer : buffers)
        ASSERT_TRUE(queue_header(*device, buffer));
    for (Buffer& buffer : buffers) {
        EXPECT_EQ(done_header(next_notice(queue, os::MM_WOM_DONE, device.get())), &buffer.header);
        EXPECT_EQ(buffer.header.flags & (os::WHDR_DONE | os::WHDR_INQUEUE | os::WHDR_PREPARED),
            os::WHDR_DONE | os::WHDR_PREPARED);
        EXPECT_EQ(device->unprepare(buffer.header), os::WaveResult::Ok);
    }
    ASSERT_TRUE(queue_header(*device, buffers[0])); // a returned header can be written again
    EXPECT_EQ(done_header(next_notice(queue)), &buffers[0].header);
    close_and_expect_notice(*device, queue);
    EXPECT_FALSE(queue.try_get()) << "nothing after the close notice";
    for (os::WaveResult closed : {device->close(), device->write(buffer.header), device->reset(),
             device->pause(), device->set_volume(0)})
        EXPECT_EQ(closed, os::WaveResult::Error);
    EXPECT_EQ(device->unprepare(buffer.header), os::WaveResult::Ok)
        << "releasing headers after close is fine";

    // Formats no device plays are refused without a notice.
    for (const os::WaveFormat& bad :
        {os::WaveFormat {2, 12, 44100}, os::WaveFormat {9, 16, 44100}, os::WaveFormat {2, 16, -8000}})
        EXPECT_FALSE(open_only(bad));
    EXPECT_FALSE(queue.try_get());
}

TEST_P(WaveOutBackends, reset_hands_back_every_header_once_in_order_before_it_returns)
{
    std::unique_ptr<os::WaveOut> device = open(format);
    ASSERT_TRUE(device);
    ASSERT_EQ(device->pause(), os::WaveResult::Ok);
    std::array<Buffer, 3> held {Buffer(1600, 1), Buffer(1600, 2), Buffer(1600, 3)};
    for (Buffer& buffer : held)
        ASSERT_TRUE(queue_header(*device, buffer));
    ASSERT_EQ(device->reset(), os::WaveResult::Ok);
    for (Buffer& buffer : held) {
        std::optional<os::Message> done = queue.try_get();
        ASSERT_TRUE(done) << "reset must not leave a header to come back later";
        EXPECT_EQ(done_header(*done), &buffer.header);
        EXPECT_EQ(buffer.header.flags & (os::WHDR_DONE | os::WHDR_INQUEUE), os::WHDR_DONE);
    }
    // Playing: the consuming thread hands headers back while reset() hands back the rest.
    ASSERT_EQ(device->restart(), os::WaveResult::Ok);
    std::deque<Buffer> buffers; // headers that stay where they are
    for (uint32_t i = 0; i < 40; ++i)
        buffers.emplace_back(4, i + 1);
    for (Buffer& buffer : buffers)
        ASSERT_TRUE(queue_header(*device, buffer));
    ASSERT_EQ(device->reset(), os::WaveResult::Ok);
    for (Buffer& buffer : buffers)
        EXPECT_EQ(done_header(next_notice(queue)), &buffer.header);
    EXPECT_FALSE(queue.try_get()) << "a notice came twice";
    close_and_expect_notice(*device, queue);
    device = open(format); // destroying an open device with queued headers is safe
    for (Buffer& buffer : held)
        ASSERT_TRUE(queue_header(*device, buffer));
}

INSTANTIATE_TEST_SUITE_P(
    All, WaveOutBackends, ::testing::Values("null", "file:@,fast", "file:@", "sdl"), [](const auto& info) {
        return std::string(std::array {"null", "file_fast", "file_paced", "sdl_dummy"}[info.index]);
    });

// Plays the buffers through a new device on the choice and closes it.
void play_through(const std::string& choice, const os::WaveFormat& format, std::vector<Buffer*> buffers)
{
    os::MessageQueue queue;
    std::unique_ptr<os::WaveOut> device = os::open_wave_out(choice, format, queue);
    ASSERT_TRUE(device);
    next_notice(queue, os::MM_WOM_OPEN, device.get());
    device->set_volume(0x10001000);
    for (Buffer* buffer : buffers)
        ASSERT_TRUE(queue_header(*device, *buffer));
    for (Buffer* buffer : buffers)
        ASSERT_EQ(done_header(next_notice(queue)), &buffer->header);
    close_and_expect_notice(*device, queue);
}

TEST(WaveOutFile, writes_exactly_the_bytes_played_appending_in_the_same_format)
{
    test::TempDir dir;
    std::string path = dir.native("out.wav").string();
    Buffer a(4000, 1), b(0, 2), c(12346, 3), d(1600, 4), e(3202, 5);
    play_through("file:" + path + ",fast", {2, 16, 22050}, {&a, &b, &c});
    std::vector<uint8_t> file = test::read_file(path);
    ASSERT_GE(file.size(), 44u);
    // Channels, rate, bits, and the data size, up to date after the close.
    EXPECT_EQ(std::tuple(liba::load_le16(&file[22]), liba::load_le32(&file[24]), liba::load_le16(&file[34]),
                  liba::load_le32(&file[40])),
        std::tuple(uint16_t(2), 22050u, uint16_t(16), 16346u));
    play_through("file:" + path, {1, 16, 8000}, {&d}); // another format starts anew
    play_through("file:" + path, {1, 16, 8000}, {&e}); // paced, same format: appended
    file = test::read_file(path);
    std::vector<uint8_t> played = d.bytes;
    played.insert(played.end(), e.bytes.begin(), e.bytes.end());
    EXPECT_TRUE(file.size() >= 44 && std::equal(file.begin() + 44, file.end(), played.begin(), played.end()))
        << "whatever the volume";

    os::MessageQueue queue;
    EXPECT_FALSE(os::open_wave_out("file:", {2, 16, 44100}, queue)); // no path: nothing
    EXPECT_FALSE(os::open_wave_out_sdl({2, 12, 44100}, queue)); // refused by the backend itself too
    EXPECT_FALSE(queue.try_get());
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_TRUE(os::open_wave_out("loudspeaker", {2, 16, 44100}, queue)); // an unknown choice: SDL's
}

TEST(WaveOutPacing, bytes_due_follow_the_clock_in_whole_frames)
{
    EXPECT_EQ(os::paced_bytes_due(1ms, 264600, os::WaveFormat {2, 24, 44100}.block_align()), 264u);
    EXPECT_EQ(os::paced_bytes_due(1001us, 16000, 2), 16u);
    EXPECT_EQ(os::paced_bytes_due(-5ms, 176400, 4), 0u);
    EXPECT_EQ(os::paced_bytes_due(1s, 176400, 0), 0u);
    // Hours of 8-channel 32-bit sound at 384 kHz do not overflow.
    EXPECT_EQ(
        os::paced_bytes_due(std::chrono::hours(30), 12'288'000, os::WaveFormat {8, 32, 384000}.block_align()),
        uint64_t(30) * 3600 * 12'288'000);
}

TEST(PcmToFloat, each_width_and_the_volume_word)
{
    // Bits, channels, frames, the volume word, the bytes and the samples they give.
    const std::tuple<int, int, int, uint32_t, std::vector<uint8_t>, std::vector<float>> cases[] = {
        {8, 1, 4, 0xFFFFFFFF, {0, 128, 255, 64}, {-1, 0, 127.0f / 128, -0.5f}}, // unsigned around 128
        {16, 2, 2, 0xFFFFFFFF, {0x00, 0x80, 0xFF, 0x7F, 0x00, 0x40, 0xFF, 0xFF},
            {-1, 32767.0f / 32768, 0.5f, -1.0f / 32768}},
        {24, 1, 4, 0xFFFFFFFF, {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0xC0, 0x01, 0x00, 0x00},
            {-1, 8388607.0f / 8388608, -0.5f, 1.0f / 8388608}},
        {32, 2, 1, 0xFFFFFFFF, {0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x40}, {-1, 0.5f}},
        // Left and right halves; further channels take the mean; mono follows the left.
        {16, 3, 1, 0x0000FFFF, {0x00, 0x40, 0x00, 0x40, 0x00, 0x40}, {0.5f, 0, 0.25f}},
        {16, 1, 3, 0x7FFF0000, {0x00, 0x40, 0x00, 0x40, 0x00, 0x40}, {0, 0, 0}},
    };
    for (const auto& [bits, channels, frames, volume, bytes, samples] : cases) {
        std::vector<float> out(samples.size(), 42.0f);
        ASSERT_TRUE(os::pcm_to_float(bytes.data(), bits, channels, frames, volume, out.data())) << bits;
        for (size_t i = 0; i < out.size(); ++i)
            EXPECT_FLOAT_EQ(out[i], samples[i]) << bits << " bits, sample " << i;
    }
    EXPECT_FLOAT_EQ(os::channel_gain(0x80000000, 1, 2), 32768.0f / 65535.0f);
    float out[4] = {42.0f};
    const uint8_t in[4] = {};
    // Other widths and channel counts are refused.
    for (auto [bits, channels] : {std::pair {12, 2}, {16, 9}})
        EXPECT_FALSE(os::pcm_to_float(in, bits, channels, 1, 0xFFFFFFFF, out)) << bits << "x" << channels;
    EXPECT_EQ(out[0], 42.0f);
}

} // namespace
