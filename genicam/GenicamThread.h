#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// A thread of the GenICam backend that is always joined: by its owner when its work ends in time,
// or else (Aravis can take seconds to give up on a camera that is gone, an open may never end) at
// the process's exit, within a bound that the standard error mentions when it is reached.
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
    // Joins the thread if its body ends within bound, else leaves it to be joined at the process's
    // exit; false then.
    bool join(std::chrono::milliseconds bound);
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
