#pragma once

#include "GenicamContext.h"
#include "GenicamLink.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class GenicamWake;

// The calls other threads hand to a camera's worker thread, and how long they wait: one burst of
// calls (an operator action: no pause longer than the quiet time) waits at most the call bound in
// all; once it is spent, the rest of the burst answers Timeout at once and is never sent.
class GenicamExecutor
{
public:
    using Clock = std::chrono::steady_clock;
    using Kind = GenicamContext::Kind;
    // Runs on the worker thread with the call's context; returns a status.
    using Call = std::function<int(GenicamContext& context)>;
    struct Pending
    {
        Call call;
        Kind kind = Kind::Other;
        std::string feature;
        int status = 0;
        bool done = false;
        bool abandoned = false;                   // its caller gave up on it: it is never started
        std::function<void(int status)> answered; // a posted call's
    };

    explicit GenicamExecutor(GenicamWake& wake);

    // A caller's thread: queues the call and waits for its answer within the burst's bound.
    // call must own what it touches: it may run after its caller gave up, so its results are the
    // caller's only when finished says so.
    int run(const Call& call, Kind kind, const std::string& feature, bool* finished);
    void setBound(std::chrono::milliseconds bound);
    // Any thread: queues a call nobody waits for; answered, on the worker thread, with its status
    // (NotOpened when the worker stops first). For what must not fail on a slow answer (a start).
    void post(const Call& call, Kind kind, std::function<void(int status)> answered);
    // When calls were last queued or answered: the worker's own work waits until they are quiet.
    Clock::time_point lastCall() const;

    // The worker thread: the next call to run, or null; then its answer.
    std::shared_ptr<Pending> take();
    bool waiting() const;
    void answer(const std::shared_ptr<Pending>& pending, int status);
    // Every call waiting is answered NotOpened, and new ones are refused.
    void close();
    bool closed() const;

private:
    GenicamWake& m_wake;
    // Guards everything below.
    mutable std::mutex m_mutex;
    std::condition_variable m_answered;
    std::deque<std::shared_ptr<Pending>> m_calls;
    bool m_closed = false;
    std::chrono::milliseconds m_bound{GenicamLink::callBound};
    Clock::time_point m_burstDeadline;
    Clock::time_point m_lastCall;
};
