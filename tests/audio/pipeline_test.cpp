// A processor on the push path, and a chain deleted while the player thread pulls.

#include "audio/processor.h"
#include "support/ramp_source.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using audio::PCMData;

namespace {

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

// A push takes the locks in the opposite order to a pull, so it runs apart from any pulling thread.
TEST(Pipeline, a_processor_processes_pushed_blocks_too)
{
    test::RampSource source(100);
    Doubler doubler;
    test::PCMSink sink;
    source.connect(&doubler);
    doubler.connect(&sink);
    source.deliver(source.get_block(7));
    EXPECT_EQ(sink.pushed_frames, 7u);
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
