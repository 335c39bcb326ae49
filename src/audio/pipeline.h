#pragma once

// The two ends of a block link. A provider of blocks of type T is linked to at most one consumer
// of T, and the other way round.
//
// Threads and locks: every consumer owns a recursive lock that guards its provider link and all
// it does with a block. A pull runs from the player towards the reader, holding each consumer's
// lock on its way, so locks are always taken in the order player -> equalizer -> decoder ->
// reader. connect() takes only the consumer's lock, so the UI thread never holds two of them.
// Disconnecting a chain under the equalizer's lock is what makes deleting the chain safe while
// the player thread may still be pulling: the next pull finds no provider and gets an empty block.

#include "liba/critical_section.h"

#include <atomic>
#include <cstdint>

namespace audio {

template<typename T> class Consumer;

template<typename T> class Provider {
public:
    virtual ~Provider() { connect(nullptr); }

    // For PCM providers max is a number of sample frames; for coded providers a number of coded
    // units. An empty block means end of stream.
    virtual T get_block(int32_t max) = 0;

    // Unlinks the current consumer (under its lock), then links the new one (under its lock).
    void connect(Consumer<T>* consumer);
    // Pushes a block to the connected consumer's on_data, under the consumer's lock.
    void deliver(const T& block);

    Consumer<T>* consumer() const { return m_consumer.load(std::memory_order_acquire); }

private:
    friend class Consumer<T>;
    std::atomic<Consumer<T>*> m_consumer {nullptr};
};

template<typename T> class Consumer {
public:
    // Push entry; the base ignores pushed blocks.
    virtual void on_data(const T&) { }
    // Waits for any thread still inside the consumer, then unlinks the provider.
    virtual ~Consumer()
    {
        liba::ScopedLock guard(m_lock);
        if (Provider<T>* provider = m_provider.load(std::memory_order_acquire))
            provider->m_consumer.store(nullptr, std::memory_order_release);
        m_provider.store(nullptr, std::memory_order_release);
    }

    // Pulls from the provider; normally called with lock() held. Without a provider: an empty
    // block (for PCM with channels, bits and rate 0).
    T request(int32_t max)
    {
        if (Provider<T>* provider = m_provider.load(std::memory_order_acquire))
            return provider->get_block(max);
        return T {};
    }

    Provider<T>* provider() const { return m_provider.load(std::memory_order_acquire); }
    liba::CriticalSection& lock() { return m_lock; }

protected:
    liba::CriticalSection m_lock;

private:
    friend class Provider<T>;
    // Written only under m_lock; read without it only by the one thread that pulls.
    std::atomic<Provider<T>*> m_provider {nullptr};
};

template<typename T> void Provider<T>::connect(Consumer<T>* consumer)
{
    if (Consumer<T>* old = m_consumer.load(std::memory_order_acquire)) {
        liba::ScopedLock guard(old->m_lock);
        old->m_provider.store(nullptr, std::memory_order_release);
        m_consumer.store(nullptr, std::memory_order_release);
    }
    if (consumer) {
        liba::ScopedLock guard(consumer->m_lock);
        // A consumer has one provider: take it from any other provider first.
        if (Provider<T>* previous = consumer->m_provider.load(std::memory_order_acquire))
            previous->m_consumer.store(nullptr, std::memory_order_release);
        consumer->m_provider.store(this, std::memory_order_release);
        m_consumer.store(consumer, std::memory_order_release);
    }
}

template<typename T> void Provider<T>::deliver(const T& block)
{
    Consumer<T>* consumer = m_consumer.load(std::memory_order_acquire);
    if (!consumer)
        return;
    liba::ScopedLock guard(consumer->m_lock);
    if (consumer->m_provider.load(std::memory_order_acquire) == this)
        consumer->on_data(block);
}

} // namespace audio
