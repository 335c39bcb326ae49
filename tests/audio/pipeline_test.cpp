#include "audio/block_decoder_pcm.h"
#include "audio/processor.h"
#include "support/ramp_source.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using audio::PCMData;

namespace {

// Coded units are single bytes; each decodes into 100 frames of 16-bit mono whose values
// continue a ramp, so slices and pending data can be checked sample by sample.
class ByteSource : public audio::Provider<audio::GSMData> {
public:
    explicit ByteSource(uint32_t units)
        : m_units(units)
    {
    }
    audio::GSMData get_block(int32_t max) override
    {
        ++requests;
        last_request = max;
        uint32_t n = std::min<uint32_t>(uint32_t(max), m_units - m_next);
        audio::GSMData block {liba::DataBuffer::make(n)};
        for (uint32_t i = 0; i < n; ++i)
            block.data.writable()[i] = uint8_t(m_next + i);
        m_next += n;
        return block;
    }
    int requests = 0;
    int32_t last_request = 0;

private:
    uint32_t m_units;
    uint32_t m_next = 0;
};

class HundredFrameDecoder : public audio::BlockDecoderPCM<audio::GSMData> {
public:
    int decoded = 0;
    bool emit_empty_first = false;

protected:
    PCMData decode_block(const audio::GSMData& coded) override
    {
        ++decoded;
        if (emit_empty_first) {
            emit_empty_first = false;
            return PCMData {};
        }
        uint32_t frames = coded.size() * 100;
        PCMData out {liba::DataBuffer::make(frames * 2), 1, 16, 8000};
        for (uint32_t i = 0; i < frames; ++i) {
            auto v = uint16_t(coded.data.data()[i / 100] * 100 + i % 100);
            out.data.writable()[2 * i] = uint8_t(v);
            out.data.writable()[2 * i + 1] = uint8_t(v >> 8);
        }
        return out;
    }
    int32_t units_for_frames(int32_t frames) override { return (frames + 99) / 100; }
};

class Doubler : public audio::Processor<PCMData, PCMData> {
protected:
    PCMData process(const PCMData& in) override
    {
        if (in.empty())
            return PCMData {};
        PCMData out = in;
        auto* samples = reinterpret_cast<int16_t*>(out.data.writable());
        for (uint32_t i = 0; i < out.frames(); ++i)
            samples[i] = int16_t(samples[i] * 2);
        return out;
    }
};

} // namespace

TEST(Pipeline, links_are_one_to_one_and_either_end_going_clears_them)
{
    test::PCMSink sink;
    {
        test::RampSource source(10);
        source.connect(&sink);
    }
    EXPECT_EQ(sink.provider(), nullptr);
    test::RampSource source(100);
    test::PCMSink first;
    source.connect(&first);
    source.connect(&sink);
    EXPECT_EQ(first.provider(), nullptr);
    EXPECT_EQ(sink.provider(), &source);
    {
        test::PCMSink shortlived;
        source.connect(&shortlived);
    }
    EXPECT_EQ(source.consumer(), nullptr);
    EXPECT_EQ(sink.provider(), nullptr);
    // Without a provider a pull answers with an empty block without format.
    PCMData block = sink.pull(16384);
    EXPECT_TRUE(block.empty());
    EXPECT_EQ(block.channels + block.bits_per_sample + block.sample_rate, 0);
    source.deliver(source.get_block(5)); // no consumer: nothing happens
    source.connect(&sink);
    source.deliver(source.get_block(10));
    EXPECT_EQ(sink.pushed, 1);
    EXPECT_EQ(sink.pushed_frames, 10u);
}

// A ByteSource of `units` feeding a HundredFrameDecoder pulled by a sink.
struct DecoderRig {
    explicit DecoderRig(uint32_t units)
        : source(units)
    {
        source.connect(&decoder);
        decoder.connect(&sink);
    }
    ByteSource source;
    HundredFrameDecoder decoder;
    test::PCMSink sink;
};

TEST(BlockDecoder, hands_out_pending_frames_before_decoding_more)
{
    DecoderRig rig(50);
    // 1050 frames ask for 11 units; 1100 frames decoded, 50 stay pending.
    PCMData first = rig.sink.pull(1050);
    EXPECT_EQ(rig.source.last_request, 11);
    EXPECT_EQ(first.frames(), 1050u);
    EXPECT_EQ(rig.decoder.pending_frames(), 50u);
    EXPECT_EQ(test::sample16(first, 1049), 1049);

    // A large request gets only the 50 pending frames, without a new decode.
    PCMData second = rig.sink.pull(16384);
    EXPECT_EQ(second.frames(), 50u);
    EXPECT_EQ(rig.decoder.decoded, 1);
    EXPECT_EQ(test::sample16(second, 0), 1050);
    EXPECT_TRUE(second.data.shares_storage_with(first.data)); // slices, not copies

    // Pushed blocks are decoded and forwarded without touching what is pending.
    rig.sink.pull(150); // leaves 50 pending
    rig.source.deliver(rig.source.get_block(2));
    EXPECT_EQ(rig.sink.pushed, 1);
    EXPECT_EQ(rig.sink.pushed_frames, 200u);
    EXPECT_EQ(rig.decoder.pending_frames(), 50u);
}

TEST(BlockDecoder, reports_the_end_each_time_it_is_asked_and_skips_an_undecodable_block)
{
    DecoderRig rig(3);
    rig.decoder.emit_empty_first = true;
    PCMData block = rig.sink.pull(100);
    EXPECT_EQ(block.frames(), 100u);
    EXPECT_EQ(rig.decoder.decoded, 2);
    EXPECT_EQ(test::sample16(block, 0), 100); // the first unit was lost, the second plays
    EXPECT_EQ(rig.sink.pull(1000).frames(), 100u);
    EXPECT_TRUE(rig.sink.pull(1000).empty());
    int before = rig.source.requests;
    EXPECT_TRUE(rig.sink.pull(1000).empty());
    EXPECT_EQ(rig.source.requests, before + 1);
}

TEST(Processor, pull_and_push_both_process_and_nothing_upstream_comes_out_empty)
{
    Doubler doubler;
    test::PCMSink sink;
    doubler.connect(&sink);
    EXPECT_TRUE(sink.pull(10).empty());
    test::RampSource source(1000);
    source.connect(&doubler);
    PCMData pulled = sink.pull(10);
    ASSERT_EQ(pulled.frames(), 10u);
    EXPECT_EQ(test::sample16(pulled, 9), 18);
    source.deliver(source.get_block(5));
    EXPECT_EQ(sink.pushed_frames, 5u);
}

TEST(PipelineConcurrency, a_chain_can_be_deleted_while_the_player_thread_pulls)
{
    for (int round = 0; round < 20; ++round) {
        auto source = std::make_unique<test::RampSource>(1u << 30);
        Doubler doubler;
        test::PCMSink sink;
        source->connect(&doubler);
        doubler.connect(&sink);
        std::atomic<bool> running {true};
        std::atomic<int> blocks {0};
        std::atomic<int> empties_after_disconnect {0};
        std::atomic<bool> disconnected {false};
        std::thread player([&] {
            while (running.load()) {
                bool was_disconnected = disconnected.load();
                PCMData block = sink.pull(256);
                if (!block.empty())
                    ++blocks;
                else if (was_disconnected)
                    ++empties_after_disconnect;
            }
        });
        while (blocks.load() < 5)
            std::this_thread::yield();
        // The application's order: disconnect under the processor's lock, then delete.
        source->connect(nullptr);
        source.reset();
        disconnected = true;
        while (empties_after_disconnect.load() < 3)
            std::this_thread::yield();
        running = false;
        player.join();
        EXPECT_EQ(doubler.provider(), nullptr);
    }
}
