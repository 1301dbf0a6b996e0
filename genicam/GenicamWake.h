#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// How the parts of a camera's worker (its call queue, its link supervisor, its poller, the prober)
// tell the worker thread that something may be due: a count of wake-ups it waits to change, so that
// one made between its look at the parts and its wait is never lost.
class GenicamWake
{
public:
    using Clock = std::chrono::steady_clock;

    // Any thread.
    void notify();
    uint64_t generation() const;
    // The worker: waits until a wake-up after seen, or until deadline.
    void waitUntil(uint64_t seen, Clock::time_point deadline);

private:
    mutable std::mutex m_mutex; // guards the generation
    std::condition_variable m_condition;
    uint64_t m_generation = 0;
};
