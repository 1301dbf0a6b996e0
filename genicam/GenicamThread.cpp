#include "GenicamThread.h"

#include "GenicamLog.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Threads whose owners could not join them, joined when the process exits.
class LeftThreads
{
public:
    static LeftThreads& instance()
    {
        // The category first: it is to outlive the threads' register, which logs as the process ends.
        lcGenicam();
        static LeftThreads threads;
        return threads;
    }
    void add(std::thread thread, std::function<bool(std::chrono::milliseconds)> wait)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_threads.push_back({std::move(thread), std::move(wait)});
    }
    ~LeftThreads()
    {
        // One bound for all of them together: the process ends within it however many are left.
        constexpr std::chrono::milliseconds bound{3000};
        const auto deadline = std::chrono::steady_clock::now() + bound;
        for (Left& left : m_threads) {
            const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.wait(std::max(remaining, std::chrono::milliseconds(0))) ||
                left.thread.get_id() == std::this_thread::get_id()) {
                if (left.thread.get_id() != std::this_thread::get_id())
                    left.thread.join();
                else
                    left.thread.detach(); // the exit is on this very thread
                continue;
            }
            qCWarning(lcGenicam, "A camera connection did not close within %lld s; exiting without it.",
                      static_cast<long long>(bound.count() / 1000));
            left.thread.detach(); // the process ends now, and the thread with it
        }
    }

private:
    struct Left
    {
        std::thread thread;
        std::function<bool(std::chrono::milliseconds)> wait;
    };
    std::mutex m_mutex;
    std::vector<Left> m_threads;
};

} // namespace

GenicamThread::GenicamThread(std::function<void()> body) : m_done(std::make_shared<Done>())
{
    // The register of left threads exists before any thread that may end up in it.
    LeftThreads::instance();
    m_thread = std::thread([body = std::move(body), done = m_done] {
        body();
        std::lock_guard<std::mutex> lock(done->mutex);
        done->done = true;
        done->condition.notify_all();
    });
}

GenicamThread::~GenicamThread()
{
    handOver();
}

GenicamThread& GenicamThread::operator=(GenicamThread&& other) noexcept
{
    if (this != &other) {
        if (running())
            handOver();
        m_thread = std::move(other.m_thread);
        m_done = std::move(other.m_done);
    }
    return *this;
}

bool GenicamThread::join(std::chrono::milliseconds bound)
{
    if (!running() || isCurrent())
        return false;
    bool inTime = false;
    {
        std::unique_lock<std::mutex> lock(m_done->mutex);
        inTime = m_done->condition.wait_for(lock, bound, [this] { return m_done->done; });
    }
    if (inTime)
        m_thread.join();
    else
        handOver();
    return inTime;
}

void GenicamThread::handOver()
{
    if (!running())
        return;
    LeftThreads::instance().add(std::move(m_thread), [done = m_done](std::chrono::milliseconds bound) {
        std::unique_lock<std::mutex> lock(done->mutex);
        return done->condition.wait_for(lock, bound, [&done] { return done->done; });
    });
}
