#include "GenicamWake.h"

void GenicamWake::notify()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_generation;
    }
    m_condition.notify_all();
}

uint64_t GenicamWake::generation() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_generation;
}

void GenicamWake::waitUntil(uint64_t seen, Clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_condition.wait_until(lock, deadline, [this, seen] { return m_generation != seen; });
}
