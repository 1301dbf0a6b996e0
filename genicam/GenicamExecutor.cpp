#include "GenicamExecutor.h"

#include "GenicamWake.h"
#include "Invariant.h"
#include "TovrikStatus.h"

namespace Status = Tovrik::Status;

GenicamExecutor::GenicamExecutor(GenicamWake& wake) : m_wake(wake) {}

int GenicamExecutor::run(const Call& call, Kind kind, const std::string& feature, bool* finished)
{
    if (finished)
        *finished = false;
    auto pending = std::make_shared<Pending>();
    pending->call = call;
    pending->kind = kind;
    pending->feature = feature;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_closed)
        return Status::NotOpened;
    const auto now = Clock::now();
    // A call after a pause starts a new burst, with a whole bound to wait in.
    if (now - m_lastCall > GenicamLink::quietTime)
        m_burstDeadline = now + m_bound;
    m_lastCall = now;
    if (now >= m_burstDeadline)
        return Status::Timeout;
    m_calls.push_back(pending);
    lock.unlock();
    m_wake.notify();
    lock.lock();
    const bool done = m_answered.wait_until(lock, m_burstDeadline, [&pending] { return pending->done; });
    m_lastCall = Clock::now();
    if (done) {
        if (finished)
            *finished = true;
        return pending->status;
    }
    // The camera is slow to answer: this call is given up on, and the rest of the burst answers at
    // once; a call that has not started yet never will.
    pending->abandoned = true;
    return Status::Timeout;
}

void GenicamExecutor::post(const Call& call, Kind kind, std::function<void(int status)> answered)
{
    auto pending = std::make_shared<Pending>();
    pending->call = call;
    pending->kind = kind;
    pending->answered = std::move(answered);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_closed) {
            m_calls.push_back(pending);
            pending.reset();
        }
    }
    if (pending) {
        if (pending->answered)
            pending->answered(Status::NotOpened);
        return;
    }
    m_wake.notify();
}

void GenicamExecutor::setBound(std::chrono::milliseconds bound)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bound = bound;
    m_burstDeadline = Clock::now() + bound; // from now on
}

GenicamExecutor::Clock::time_point GenicamExecutor::lastCall() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastCall;
}

std::shared_ptr<GenicamExecutor::Pending> GenicamExecutor::take()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    while (!m_calls.empty()) {
        std::shared_ptr<Pending> pending = std::move(m_calls.front());
        m_calls.pop_front();
        if (!pending->abandoned)
            return pending;
    }
    return nullptr;
}

bool GenicamExecutor::waiting() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_calls.empty();
}

void GenicamExecutor::answer(const std::shared_ptr<Pending>& pending, int status)
{
    if (pending->answered) {
        pending->answered(status);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        LT_ASSERT(!pending->done);
        pending->status = status;
        pending->done = true;
    }
    m_answered.notify_all();
}

void GenicamExecutor::close()
{
    std::deque<std::shared_ptr<Pending>> posted;
    {
        // Calls accepted before get their answer now; nobody waits for the camera.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        for (auto& pending : m_calls) {
            pending->status = Status::NotOpened;
            pending->done = true;
            if (pending->answered)
                posted.push_back(std::move(pending));
        }
        m_calls.clear();
    }
    for (const auto& pending : posted)
        pending->answered(Status::NotOpened);
    m_answered.notify_all();
    m_wake.notify();
}

bool GenicamExecutor::closed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}
