// Block links, the block decoder's pending frames, processors, and a chain deleted while pulled.

#include "audio/block_decoder_pcm.h"
#include "audio/processor.h"
#include "support/ramp_source.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using audio::PCMData;

namespace {

// Coded units are single bytes numbered from 0; unit n decodes into 100 frames of 16-bit mono
// n x 100 + 0..99, so slices and pending data show sample by sample. Unit 0 is undecodable.
class ByteSource : public audio::Provider<audio::GSMData> {
public:
    audio::GSMData get_block(int32_t max) override
    {
        ++requests;
        last_request = max;
        uint32_t n = std::min<uint32_t>(uint32_t(max), 6 - m_next);
        audio::GSMData block {liba::DataBuffer::make(n)};
        for (uint32_t i = 0; i < n; ++i)
            block.data.writable()[i] = uint8_t(m_next++);
        return block;
    }
    int requests = 0;
    int32_t last_request = 0;

private:
    uint32_t m_next = 0;
};

class HundredFrameDecoder : public audio::BlockDecoderPCM<audio::GSMData> {
protected:
    PCMData decode_block(const audio::GSMData& coded) override
    {
        if (coded.data.data()[0] == 0)
            return PCMData {};
        PCMData out {liba::DataBuffer::make(coded.size() * 200), 1, 16, 8000};
        for (uint32_t i = 0; i < coded.size() * 100; ++i) {
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
        PCMData out = in;
        for (uint32_t i = 0; i < out.frames(); ++i)
            reinterpret_cast<int16_t*>(out.data.writable())[i] = int16_t(test::sample16(in, i) * 2);
        return out;
    }
};

} // namespace

TEST(Pipeline, links_are_one_to_one_and_either_end_going_clears_them)
{
    test::PCMSink sink;
    {
        test::RampSource gone(10);
        gone.connect(&sink);
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
    PCMData block = sink.pull(16384);
    EXPECT_EQ(block.size() + block.channels + block.bits_per_sample + block.sample_rate, 0u) << "no provider";
    source.deliver(source.get_block(5)); // no consumer: nothing happens
    // A processor processes pulled and pushed blocks alike.
    Doubler doubler;
    source.connect(&doubler);
    doubler.connect(&sink);
    EXPECT_EQ(test::sample16(sink.pull(10), 9), 2 * 14);
    source.deliver(source.get_block(7));
    EXPECT_EQ(sink.pushed_frames, 7u);
}

TEST(BlockDecoder, hands_out_pending_frames_first_skips_an_undecodable_block_and_ends_each_time)
{
    ByteSource source;
    HundredFrameDecoder decoder;
    test::PCMSink sink;
    source.connect(&decoder);
    decoder.connect(&sink);
    // 50 frames ask for 1 unit: unit 0 is lost, unit 1 decoded and half of it kept.
    PCMData first = sink.pull(50);
    EXPECT_EQ(source.last_request, 1);
    ASSERT_EQ(first.frames(), 50u);
    EXPECT_EQ(test::sample16(first, 0), 100);
    EXPECT_EQ(decoder.pending_frames(), 50u);
    int requests = source.requests;
    PCMData rest = sink.pull(16384);
    EXPECT_EQ(rest.frames(), 50u) << "pending frames only, without decoding more";
    EXPECT_EQ(source.requests, requests);
    EXPECT_EQ(test::sample16(rest, 0), 150);
    EXPECT_TRUE(rest.data.shares_storage_with(first.data));
    EXPECT_EQ(test::sample16(sink.pull(150), 149), 349);
    EXPECT_EQ(source.last_request, 2);
    // Pushed blocks are decoded and forwarded without touching what is pending.
    source.deliver(source.get_block(1));
    EXPECT_EQ(sink.pushed_frames, 100u);
    EXPECT_EQ(decoder.pending_frames(), 50u);
    EXPECT_EQ(sink.pull(1000).frames(), 50u);
    EXPECT_EQ(sink.pull(1000).frames(), 100u);
    int before = source.requests;
    EXPECT_TRUE(sink.pull(1000).empty());
    EXPECT_TRUE(sink.pull(1000).empty());
    EXPECT_EQ(source.requests, before + 2);
}

TEST(PipelineConcurrency, a_chain_can_be_deleted_while_the_player_thread_pulls)
{
    for (int round = 0; round < 20; ++round) {
        auto source = std::make_unique<test::RampSource>(1u << 30);
        Doubler doubler;
        test::PCMSink sink;
        source->connect(&doubler);
        doubler.connect(&sink);
        std::atomic<bool> running {true}, disconnected {false};
        std::atomic<int> blocks {0}, empties_after_disconnect {0};
        std::thread player([&] {
            while (running.load()) {
                bool was_disconnected = disconnected.load();
                if (!sink.pull(256).empty())
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
