#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// A thread of the GenICam backend that is always joined: by its owner, who may wait a bounded
// time first and say so when the bound is reached (Aravis can be slow to give up on a camera that
// is gone), or, when its owner could not join it (it let go from the thread itself, or gave up
// waiting for an open), at the process's exit, within a bound the standard error mentions if it is
// reached.
class GenicamThread
{
public:
    GenicamThread() = default;
    explicit GenicamThread(std::function<void()> body);
    ~GenicamThread();
    GenicamThread(GenicamThread&& other) noexcept = default;
    GenicamThread& operator=(GenicamThread&& other) noexcept;

    bool running() const { return m_thread.joinable(); }
    bool isCurrent() const { return m_thread.get_id() == std::this_thread::get_id(); }
    // Waits up to bound for the body to end; false when it has not. Then joins in any case, after
    // telling notice what it waits for.
    bool join(std::chrono::milliseconds bound, const std::function<void()>& notice = {});
    // Leaves the thread to be joined at the process's exit.
    void handOver();

private:
    struct Done
    {
        std::mutex mutex;
        std::condition_variable condition;
        bool done = false;
    };

    std::thread m_thread;
    std::shared_ptr<Done> m_done;
};
