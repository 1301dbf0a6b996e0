#pragma once

#include "LinkStatus.h"

#include <chrono>
#include <string>

// The link to a GenICam camera and the policy for it, apart from Aravis and sockets: events come
// in (calls answered or failed on the link, control lost, granted or refused, reopening), and the
// link says what it is (connected, monitoring and why, lost) and what the worker does next, and
// when: ask the camera whether it is still there, ask for control, or open it again. Every timing
// of the policy lives here and nowhere else. Not thread-safe: its supervisor owns it.
class GenicamLink
{
public:
    using Clock = std::chrono::steady_clock;
    using Time = Clock::time_point;
    enum class Action { None, Probe, TakeControl, Reopen };
    struct Next
    {
        Action action = Action::None;
        Time at{};
    };

    // A camera is lost when it answered nothing for this long and the probes that followed a
    // failure failed this many times in a row: a poor network loses packets, not seconds.
    static constexpr std::chrono::milliseconds lossEvidence{3000};
    static constexpr int failedProbesForLoss = 2;
    // Nothing talked to the camera for this long: ask it whether it is there.
    static constexpr std::chrono::milliseconds probeAfter{1000};
    // A viewer without control asks for it this often, so that it takes control when the camera
    // has none: the other application left, or its connection timed out.
    static constexpr std::chrono::milliseconds controlRetry{3000};
    // Pauses between attempts to open a lost camera again, doubling up to the longest.
    static constexpr std::chrono::milliseconds firstReopenPause{500};
    static constexpr std::chrono::milliseconds longestReopenPause{4000};
    // Refusals after which control we held counts as taken by another application.
    static constexpr int refusalsToGiveUp = 3;
    // A probe reads a bootstrap register on a socket of our own, far sooner than Aravis's own
    // retries give up: the verdict on a silent camera comes in time.
    static constexpr std::chrono::milliseconds probeBound{600};
    // One operator action (a burst of calls no more than quietTime apart) waits this long in all.
    static constexpr std::chrono::milliseconds callBound{1000};
    static constexpr std::chrono::milliseconds quietTime{150};
    // Observed features are looked at this often, once calls have been quiet for quietTime.
    static constexpr std::chrono::milliseconds pollInterval{1000};
    // An address is asked for a discovery answer this long when first opened, and when reopened.
    static constexpr std::chrono::milliseconds firstDiscovery{1000};
    static constexpr std::chrono::milliseconds reopenDiscovery{300};
    // Opening gives up after this long.
    static constexpr std::chrono::milliseconds openBound{10000};
    // Closing waits this long for each thread of the camera's; longer ones are joined at exit.
    static constexpr std::chrono::milliseconds stopBound{100};

    // reopens: whether a lost camera is opened again (not for the in-process fake).
    GenicamLink(bool reopens, Time now);

    // Look only: control is never asked for, and given back when held; off again, it is asked for.
    void setLookOnly(bool lookOnly, Time now);
    bool lookOnly() const { return m_lookOnly; }
    void opened(bool controller, Time now);
    void openFailed(Time now);
    // The camera answered a call that certainly reached it (a probe, not a cached read).
    void answered(Time now);
    // A call failed on the link: probes go first until the camera answers again.
    void failed(const std::string& why, Time now);
    // A probe got no answer; true when that makes the camera lost (the device is to be closed).
    bool probeFailed(Time now);
    // The heartbeat found control gone.
    void controlLost(Time now);
    void controlGranted(Time now);
    void controlRefused(Time now);
    // The request for control got no answer: the camera is probed, and if it answers those, it
    // ignored the request as one from an application without control (another one has it).
    void controlUnanswered(const std::string& why, Time now);
    void stop();

    const LinkStatus& status() const { return m_status; }
    // Whether calls may reach the camera, and whether writes may.
    bool reachable() const { return m_status.reachable(); }
    bool inControl() const { return m_status.writable(); }
    // A call failed on the link since the camera last answered: probes go first until it does, so
    // that the verdict comes in time.
    bool failing() const { return m_failing; }
    // withProbes false: the probes are someone else's (a thread of their own), only the rest.
    Next next(bool withProbes = true) const;
    // When the camera is next to be probed: at once after a failure, else a while after it last
    // answered.
    Time probeAt() const { return m_failing ? m_failedAt : m_lastAnswer + probeAfter; }

private:
    void enter(LinkStatus::State state, LinkStatus::Control control, LinkStatus::Reason reason,
               std::string detail = std::string());
    // The camera answered: what failed before counts no more.
    void heardAgain();

    const bool m_reopens;
    bool m_lookOnly = false;
    LinkStatus m_status;
    Time m_lastAnswer;
    Time m_nextReopen;
    std::chrono::milliseconds m_reopenPause = firstReopenPause;
    Time m_nextControlAttempt;
    bool m_wantControl = false; // connected, and the heartbeat said control is gone
    bool m_hadControl = false;
    bool m_failing = false;
    Time m_failedAt;
    int m_failedProbes = 0;
    std::string m_failure; // what the last failed call said
    int m_refusals = 0;
    bool m_controlUnanswered = false;
};
