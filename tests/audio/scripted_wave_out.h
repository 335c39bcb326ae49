#pragma once

// Test doubles for driving the PCM player deterministically.
//
// ScriptedWaveOut is a wave-output backend whose headers come back only when the test says so:
// it records the calls that matter ("open 2x16@44100", "write 35280", "pause", "restart",
// "reset", "close", "volume ffffffff"), keeps written headers queued until complete() hands the
// oldest back (as a device does, in order, copying its bytes into played()), and can refuse to
// open or refuse a given write. It keeps the device rules of os::WaveOut (a queued header can't
// be prepared, unprepared or written again; close refuses while a header is queued), so a player
// that breaks them shows up as a refused call.
//
// BlockSource is a PCM provider handing out a scripted list of blocks, cut to the frames asked.
//
// The player calls the device on its own thread, the test on the test thread: every state here is
// behind one mutex, and no player call is made while holding it (the player's lock comes first).

#include "audio/blocks.h"
#include "audio/pipeline.h"
#include "os/wave_out.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test {

class ScriptedWaveOut {
public:
    ScriptedWaveOut() = default;
    ScriptedWaveOut(const ScriptedWaveOut&) = delete;
    ScriptedWaveOut& operator=(const ScriptedWaveOut&) = delete;
    ~ScriptedWaveOut()
    {
        // A device still open outlives its host only by mistake of the test.
        EXPECT_EQ(m_device, nullptr);
    }

    os::WaveOutFactory factory()
    {
        return [this](const os::WaveFormat& format, os::MessageQueue& queue) -> std::unique_ptr<os::WaveOut> {
            std::lock_guard guard(m_mutex);
            char text[64];
            std::snprintf(text, sizeof text, "open %dx%d@%d", format.channels, format.bits_per_sample,
                format.sample_rate);
            m_calls.emplace_back(text);
            ++m_open_attempts;
            if (m_fail_opens > 0) {
                --m_fail_opens;
                return nullptr;
            }
            auto device = std::make_unique<Device>(*this, format, queue);
            m_device = device.get();
            m_format = format;
            m_paused = false;
            queue.post(os::MM_WOM_OPEN, reinterpret_cast<uintptr_t>(static_cast<os::WaveOut*>(m_device)));
            return device;
        };
    }

    // Settings.
    void fail_opens(int count)
    {
        std::lock_guard guard(m_mutex);
        m_fail_opens = count;
    }
    // Refuses the write with this number (0 = the first write of the test).
    void refuse_write(int index)
    {
        std::lock_guard guard(m_mutex);
        m_refused_write = index;
    }

    // Keeps the close notice of the next close until release_close_notice(), as a device whose
    // notice is late (the player keeps its device until the notice comes).
    void hold_close_notice()
    {
        std::lock_guard guard(m_mutex);
        m_hold_close = true;
    }
    void release_close_notice()
    {
        std::function<void()> post;
        {
            std::lock_guard guard(m_mutex);
            m_hold_close = false;
            std::swap(post, m_held_close);
        }
        if (post)
            post();
    }
    bool close_notice_held() const
    {
        std::lock_guard guard(m_mutex);
        return bool(m_held_close);
    }

    // Actions: hands back the oldest queued header as played; false when none is queued.
    bool complete()
    {
        std::lock_guard guard(m_mutex);
        if (m_queue.empty())
            return false;
        os::WaveHeader* header = m_queue.front();
        m_queue.pop_front();
        m_played.insert(m_played.end(), header->data, header->data + header->buffer_length);
        hand_back_locked(*header);
        return true;
    }
    size_t complete_all()
    {
        size_t count = 0;
        while (complete())
            ++count;
        return count;
    }

    // Observations.
    std::vector<std::string> calls() const
    {
        std::lock_guard guard(m_mutex);
        return m_calls;
    }
    // The calls whose text begins with prefix.
    std::vector<std::string> calls(std::string_view prefix) const
    {
        std::vector<std::string> found;
        for (const std::string& call : calls())
            if (call.starts_with(prefix))
                found.push_back(call);
        return found;
    }
    size_t queued() const
    {
        std::lock_guard guard(m_mutex);
        return m_queue.size();
    }
    std::vector<uint32_t> queued_lengths() const
    {
        std::lock_guard guard(m_mutex);
        std::vector<uint32_t> lengths;
        for (const os::WaveHeader* header : m_queue)
            lengths.push_back(header->buffer_length);
        return lengths;
    }
    bool is_open() const
    {
        std::lock_guard guard(m_mutex);
        return m_device != nullptr;
    }
    bool is_paused() const
    {
        std::lock_guard guard(m_mutex);
        return m_device && m_paused;
    }
    int open_attempts() const
    {
        std::lock_guard guard(m_mutex);
        return m_open_attempts;
    }
    os::WaveFormat format() const
    {
        std::lock_guard guard(m_mutex);
        return m_format;
    }
    uint32_t volume() const
    {
        std::lock_guard guard(m_mutex);
        return m_volume;
    }
    // The bytes of every header completed so far, in order (headers handed back by reset are
    // not played).
    std::vector<uint8_t> played() const
    {
        std::lock_guard guard(m_mutex);
        return m_played;
    }
    // Calls the device refused (a player breaking the device's rules).
    int refusals() const
    {
        std::lock_guard guard(m_mutex);
        return m_refusals;
    }

private:
    class Device final : public os::WaveOut {
    public:
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
            if (m_host.m_device == this)
                m_host.m_device = nullptr;
        }

        os::MessageQueue& notices() { return m_queue; }
        const os::WaveFormat& format() const override { return m_format; }
        os::WaveResult prepare(os::WaveHeader& header) override
        {
            std::lock_guard guard(m_host.m_mutex);
            if (header.flags & os::WHDR_INQUEUE)
                return m_host.refuse_locked();
            header.flags |= os::WHDR_PREPARED;
            return os::WaveResult::Ok;
        }
        os::WaveResult unprepare(os::WaveHeader& header) override
        {
            std::lock_guard guard(m_host.m_mutex);
            if (header.flags & os::WHDR_INQUEUE)
                return m_host.refuse_locked();
            header.flags &= ~os::WHDR_PREPARED;
            return os::WaveResult::Ok;
        }
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
                while (!m_host.m_queue.empty()) {
                    os::WaveHeader* header = m_host.m_queue.front();
                    m_host.m_queue.pop_front();
                    m_host.hand_back_locked(*header);
                }
            });
        }
        os::WaveResult set_volume(uint32_t volume) override
        {
            char text[32];
            std::snprintf(text, sizeof text, "volume %08x", volume);
            return record(text, [this, volume] { m_host.m_volume = volume; });
        }
        uint32_t volume() const override
        {
            std::lock_guard guard(m_host.m_mutex);
            return m_host.m_volume;
        }
        os::WaveResult close() override
        {
            auto post
                = [queue = &m_queue, self = reinterpret_cast<uintptr_t>(static_cast<os::WaveOut*>(this))] {
                      queue->post(os::MM_WOM_CLOSE, self);
                  };
            {
                std::lock_guard guard(m_host.m_mutex);
                m_host.m_calls.emplace_back("close");
                if (m_closed || !m_host.m_queue.empty())
                    return m_host.refuse_locked();
                m_closed = true;
                if (m_host.m_hold_close) {
                    m_host.m_held_close = post;
                    return os::WaveResult::Ok;
                }
            }
            post();
            return os::WaveResult::Ok;
        }

    private:
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
        m_device->notices().post(os::MM_WOM_DONE,
            reinterpret_cast<uintptr_t>(static_cast<os::WaveOut*>(m_device)),
            reinterpret_cast<intptr_t>(&header));
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
    std::deque<os::WaveHeader*> m_queue;
    std::vector<uint8_t> m_played;
    Device* m_device = nullptr;
    os::WaveFormat m_format;
    uint32_t m_volume = 0xFFFFFFFF;
    bool m_paused = false;
    int m_fail_opens = 0;
    int m_open_attempts = 0;
    int m_writes = 0;
    int m_refused_write = -1;
    int m_refusals = 0;
    bool m_hold_close = false;
    std::function<void()> m_held_close;
};

// A PCM provider handing out the blocks given to it in order, each cut to the frames asked for;
// an empty block once they are used up. Blocks may be added while the player pulls.
class BlockSource : public audio::Provider<audio::PCMData> {
public:
    void add(audio::PCMData block)
    {
        std::lock_guard guard(m_mutex);
        m_blocks.push_back(std::move(block));
    }
    audio::PCMData get_block(int32_t max) override
    {
        std::lock_guard guard(m_mutex);
        ++m_pulls;
        if (m_blocks.empty())
            return audio::PCMData {};
        audio::PCMData& front = m_blocks.front();
        // A block without a frame size goes out whole.
        uint32_t limit = front.frame_size() ? front.frame_size() * uint32_t(std::max(max, 0)) : front.size();
        uint32_t take = std::min(front.size(), limit);
        audio::PCMData out = front.slice(0, take);
        front = front.slice(take, front.size() - take);
        if (front.empty())
            m_blocks.pop_front();
        return out;
    }
    bool used_up() const
    {
        std::lock_guard guard(m_mutex);
        return m_blocks.empty();
    }
    int pulls() const
    {
        std::lock_guard guard(m_mutex);
        return m_pulls;
    }

private:
    mutable std::mutex m_mutex;
    std::deque<audio::PCMData> m_blocks;
    int m_pulls = 0;
};

// A block of the format filled with a byte sequence that never repeats within a few megabytes
// (seeded by first), so any slip, loss or repetition of bytes shows.
inline audio::PCMData counting_block(
    uint32_t frames, int32_t channels, int32_t bits, int32_t rate, uint8_t first = 0)
{
    uint32_t bytes = frames * uint32_t((bits + 7) / 8 * channels);
    liba::DataBuffer data = liba::DataBuffer::make(bytes);
    uint8_t* p = data.writable();
    for (uint32_t i = 0; i < bytes; ++i)
        p[i] = uint8_t((uint32_t(i + first * 7919u) * 2654435761u) >> 24);
    return audio::PCMData {data, channels, bits, rate};
}

} // namespace test
