#pragma once

#include <atomic>
#include <mutex>
#include <thread>

// A mutex that knows, where invariants are checked, which thread holds it: a function that
// expects its caller to hold a lock says so with LT_ASSERT(mutex.isHeld()). Elsewhere it is a plain
// std::mutex and isHeld() answers true.
class CheckedMutex
{
public:
    void lock()
    {
        m_mutex.lock();
#if defined(LINETRIGGER_ASSERTS)
        m_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
#endif
    }
    void unlock()
    {
#if defined(LINETRIGGER_ASSERTS)
        m_owner.store(std::thread::id(), std::memory_order_relaxed);
#endif
        m_mutex.unlock();
    }
    bool try_lock()
    {
        if (!m_mutex.try_lock())
            return false;
#if defined(LINETRIGGER_ASSERTS)
        m_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
#endif
        return true;
    }
    // Whether the calling thread holds it.
    bool isHeld() const
    {
#if defined(LINETRIGGER_ASSERTS)
        return m_owner.load(std::memory_order_relaxed) == std::this_thread::get_id();
#else
        return true;
#endif
    }
    std::mutex& native()
    {
        return m_mutex;
    }

private:
    std::mutex m_mutex;
#if defined(LINETRIGGER_ASSERTS)
    std::atomic<std::thread::id> m_owner{};
#endif
};
