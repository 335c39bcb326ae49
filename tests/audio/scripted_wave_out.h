#pragma once

// ScriptedWaveOut: a wave-output backend whose headers come back only when the test says so. It
// records the calls ("open 2x16@44100", "write 35280", "pause", "restart", "reset", "close",
// "volume ffffffff"), hands queued headers back in order on complete() (their bytes go to
// played()), can refuse opens or one write, and counts every call that breaks a device rule of
// os::WaveOut in refusals(). Its state is behind one mutex, never held during a player call.
// BlockSource hands out scripted PCM blocks, cut to the frames asked.

#include "audio/blocks.h"
#include "audio/pipeline.h"
#include "os/wave_out.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace test {

class ScriptedWaveOut {
public:
    ~ScriptedWaveOut() { EXPECT_EQ(m_device, nullptr) << "a device outlived its host"; }

    template<typename F> auto locked(F f) const
    {
        std::lock_guard guard(m_mutex);
        return f();
    }
    template<typename T> T get(T ScriptedWaveOut::*member) const
    {
        return locked([&] { return this->*member; });
    }
    template<typename T> void set(T ScriptedWaveOut::*member, T value)
    {
        locked([&] { this->*member = value; });
    }

    os::WaveOutFactory factory()
    {
        return [this](const os::WaveFormat& format, os::MessageQueue& queue) -> std::unique_ptr<os::WaveOut> {
            std::lock_guard guard(m_mutex);
            m_calls.push_back("open " + std::to_string(format.channels) + "x"
                + std::to_string(format.bits_per_sample) + "@" + std::to_string(format.sample_rate));
            ++m_open_attempts;
            if (m_fail_opens-- > 0)
                return nullptr;
            auto device = std::make_unique<Device>(*this, format, queue);
            m_device = device.get();
            m_paused = false;
            queue.post(os::MM_WOM_OPEN, m_device->id());
            return device;
        };
    }

    void fail_opens(int count) { set(&ScriptedWaveOut::m_fail_opens, count); }
    // Refuses the write with this number (0: the first of the test).
    void refuse_write(int index) { set(&ScriptedWaveOut::m_refused_write, index); }
    // Keeps the notice of the next close until release_close_notice(), as a late device does.
    void hold_close_notice() { set(&ScriptedWaveOut::m_hold_close, true); }
    void release_close_notice()
    {
        set(&ScriptedWaveOut::m_hold_close, false);
        if (auto post = locked([&] { return std::exchange(m_held_close, nullptr); }))
            post();
    }
    bool close_notice_held() const { return bool(get(&ScriptedWaveOut::m_held_close)); }

    // Hands back the oldest queued header as played; false when none is queued.
    bool complete()
    {
        return locked([&] {
            if (m_queue.empty())
                return false;
            os::WaveHeader* header = m_queue.front();
            m_queue.pop_front();
            m_played.insert(m_played.end(), header->data, header->data + header->buffer_length);
            hand_back_locked(*header);
            return true;
        });
    }
    void complete_all()
    {
        while (complete()) { }
    }

    std::vector<std::string> calls(std::string_view prefix = "") const
    {
        std::vector<std::string> found = get(&ScriptedWaveOut::m_calls);
        std::erase_if(found, [&](const std::string& call) { return !call.starts_with(prefix); });
        return found;
    }
    size_t queued() const { return get(&ScriptedWaveOut::m_queue).size(); }
    bool is_open() const { return get(&ScriptedWaveOut::m_device) != nullptr; }
    bool is_paused() const { return get(&ScriptedWaveOut::m_paused); }
    int open_attempts() const { return get(&ScriptedWaveOut::m_open_attempts); }
    uint32_t volume() const { return get(&ScriptedWaveOut::m_volume); }
    // The bytes of every completed header in order (headers handed back by reset are not played).
    std::vector<uint8_t> played() const { return get(&ScriptedWaveOut::m_played); }
    int refusals() const { return get(&ScriptedWaveOut::m_refusals); }

private:
    struct Device final : os::WaveOut {
        Device(ScriptedWaveOut& host, const os::WaveFormat& format, os::MessageQueue& queue)
            : m_host(host)
            , m_format(format)
            , m_queue(queue)
        {
        }
        ~Device() override
        {
            std::lock_guard guard(m_host.m_mutex);
            m_host.m_queue.clear();
            if (m_host.m_device == this) {
                m_host.m_device = nullptr;
                m_host.m_paused = false;
            }
        }
        uintptr_t id() { return reinterpret_cast<uintptr_t>(static_cast<os::WaveOut*>(this)); }
        const os::WaveFormat& format() const override { return m_format; }
        os::WaveResult prepare(os::WaveHeader& header) override { return flag(header, os::WHDR_PREPARED); }
        os::WaveResult unprepare(os::WaveHeader& header) override { return flag(header, 0); }
        os::WaveResult write(os::WaveHeader& header) override
        {
            std::lock_guard guard(m_host.m_mutex);
            m_host.m_calls.push_back("write " + std::to_string(header.buffer_length));
            if (m_host.m_writes++ == m_host.m_refused_write)
                return os::WaveResult::Error;
            if (m_closed || !(header.flags & os::WHDR_PREPARED) || (header.flags & os::WHDR_INQUEUE))
                return m_host.refuse_locked();
            header.flags = (header.flags & ~os::WHDR_DONE) | os::WHDR_INQUEUE;
            m_host.m_queue.push_back(&header);
            return os::WaveResult::Ok;
        }
        os::WaveResult pause() override
        {
            return record("pause", [this] { m_host.m_paused = true; });
        }
        os::WaveResult restart() override
        {
            return record("restart", [this] { m_host.m_paused = false; });
        }
        os::WaveResult reset() override
        {
            return record("reset", [this] {
                for (; !m_host.m_queue.empty(); m_host.m_queue.pop_front())
                    m_host.hand_back_locked(*m_host.m_queue.front());
            });
        }
        os::WaveResult set_volume(uint32_t volume) override
        {
            char text[32];
            std::snprintf(text, sizeof text, "volume %08x", volume);
            return record(text, [this, volume] { m_host.m_volume = volume; });
        }
        uint32_t volume() const override { return m_host.volume(); }
        os::WaveResult close() override
        {
            // The notice may be held past the device's end: it keeps only the queue and the id.
            std::function<void()> post = [queue = &m_queue, id = id()] { queue->post(os::MM_WOM_CLOSE, id); };
            {
                std::lock_guard guard(m_host.m_mutex);
                m_host.m_calls.emplace_back("close");
                if (m_closed || !m_host.m_queue.empty())
                    return m_host.refuse_locked();
                m_closed = true;
                if (m_host.m_hold_close)
                    m_host.m_held_close = std::exchange(post, nullptr);
            }
            if (post)
                post();
            return os::WaveResult::Ok;
        }

        // Sets or clears the prepared flag of a header the device does not hold.
        os::WaveResult flag(os::WaveHeader& header, uint32_t prepared)
        {
            std::lock_guard guard(m_host.m_mutex);
            if (header.flags & os::WHDR_INQUEUE)
                return m_host.refuse_locked();
            header.flags = (header.flags & ~os::WHDR_PREPARED) | prepared;
            return os::WaveResult::Ok;
        }
        template<typename F> os::WaveResult record(const std::string& call, F change)
        {
            std::lock_guard guard(m_host.m_mutex);
            m_host.m_calls.push_back(call);
            if (m_closed)
                return m_host.refuse_locked();
            change();
            return os::WaveResult::Ok;
        }

        ScriptedWaveOut& m_host;
        const os::WaveFormat m_format;
        os::MessageQueue& m_queue;
        bool m_closed = false; // guarded by the host's mutex
    };

    os::WaveResult refuse_locked()
    {
        ++m_refusals;
        return os::WaveResult::StillPlaying;
    }
    void hand_back_locked(os::WaveHeader& header)
    {
        header.flags = (header.flags & ~os::WHDR_INQUEUE) | os::WHDR_DONE;
        m_device->m_queue.post(os::MM_WOM_DONE, m_device->id(), reinterpret_cast<intptr_t>(&header));
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
    std::deque<os::WaveHeader*> m_queue;
    std::vector<uint8_t> m_played;
    Device* m_device = nullptr;
    uint32_t m_volume = 0xFFFFFFFF;
    bool m_paused = false, m_hold_close = false;
    int m_fail_opens = 0, m_open_attempts = 0, m_writes = 0, m_refused_write = -1, m_refusals = 0;
    std::function<void()> m_held_close;
};

// Hands out the blocks added to it in order, each cut to the frames asked; then empty blocks.
class BlockSource : public audio::Provider<audio::PCMData> {
public:
    void add(std::initializer_list<audio::PCMData> blocks)
    {
        std::lock_guard guard(m_mutex);
        m_blocks.insert(m_blocks.end(), blocks);
    }
    audio::PCMData get_block(int32_t max) override
    {
        std::lock_guard guard(m_mutex);
        if (m_blocks.empty())
            return audio::PCMData {};
        audio::PCMData& front = m_blocks.front();
        uint32_t take = std::min(front.size(), front.frame_size() * uint32_t(std::max(max, 0)));
        audio::PCMData out = front.slice(0, take);
        front = front.slice(take, front.size() - take);
        if (front.empty())
            m_blocks.pop_front();
        return out;
    }

private:
    std::mutex m_mutex;
    std::deque<audio::PCMData> m_blocks;
};

// A block whose bytes never repeat within a few megabytes (seeded by first).
inline audio::PCMData counting_block(
    uint32_t frames, int32_t channels, int32_t bits, int32_t rate, uint8_t first = 0)
{
    liba::DataBuffer data = liba::DataBuffer::make(frames * uint32_t((bits + 7) / 8 * channels));
    for (uint32_t i = 0; i < data.size(); ++i)
        data.writable()[i] = uint8_t((uint32_t(i + first * 7919u) * 2654435761u) >> 24);
    return audio::PCMData {data, channels, bits, rate};
}

} // namespace test
