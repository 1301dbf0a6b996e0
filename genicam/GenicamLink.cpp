#include "GenicamLink.h"

#include <algorithm>
#include <utility>

namespace {

const char* const otherController = "another application controls the camera";
const char* const takingBack = "control is being taken back";
const char* const controlTaken = "control of the camera was lost";

} // namespace

GenicamLink::GenicamLink(bool reopens, Time now) : m_reopens(reopens), m_lastAnswer(now) {}

void GenicamLink::opened(bool controller, Time now)
{
    m_lastAnswer = now;
    heardAgain();
    m_wantControl = false;
    m_refusals = 0;
    m_nextControlAttempt = now + controlRetry;
    if (controller) {
        m_hadControl = true;
        enter(State::Connected, std::string());
        return;
    }
    // Control held before the camera went away comes back once the camera lets go of the old
    // connection.
    enter(State::Monitoring, m_hadControl ? takingBack : otherController);
}

void GenicamLink::openFailed(Time now)
{
    m_reopenPause = std::min(m_reopenPause * 2, longestReopenPause);
    m_nextReopen = now + m_reopenPause;
}

void GenicamLink::answered(Time now)
{
    m_lastAnswer = std::max(m_lastAnswer, now);
    heardAgain();
}

void GenicamLink::heardAgain()
{
    m_failing = false;
    m_failedProbes = 0;
    m_failure.clear();
}

void GenicamLink::failed(const std::string& why, Time now)
{
    // Asking for control waits while the camera does not answer.
    m_nextControlAttempt = std::max(m_nextControlAttempt, now + controlRetry);
    if (!m_reopens || !reachable())
        return;
    if (!m_failing)
        m_failedAt = now;
    m_failing = true;
    m_failure = why;
}

bool GenicamLink::probeFailed(Time now)
{
    failed(m_failure.empty() ? "the camera answers nothing" : m_failure, now);
    if (!m_reopens || !reachable() || ++m_failedProbes < failedProbesForLoss ||
        now - m_lastAnswer < lossEvidence)
        return false;
    m_reopenPause = firstReopenPause;
    m_nextReopen = now + m_reopenPause;
    m_wantControl = false;
    enter(State::Lost, m_failure);
    heardAgain();
    return true;
}

void GenicamLink::controlLost(Time now)
{
    if (m_state != State::Connected)
        return;
    // The heartbeat failed: whether the camera is there at all is asked first, and quickly.
    m_wantControl = true;
    m_nextControlAttempt = now;
    if (!m_failing)
        m_failedAt = now;
    m_failing = true;
}

void GenicamLink::controlGranted(Time now)
{
    m_lastAnswer = now;
    heardAgain();
    m_wantControl = false;
    m_refusals = 0;
    m_hadControl = true;
    const bool fromOther = m_state == State::Monitoring && m_reason != takingBack;
    enter(State::Connected, fromOther ? "control taken: no other application controls the camera" : "");
}

void GenicamLink::controlRefused(Time now)
{
    m_lastAnswer = now; // a refusal is an answer
    heardAgain();
    m_wantControl = false;
    m_nextControlAttempt = now + controlRetry;
    if (m_state == State::Connected) {
        enter(State::Monitoring, controlTaken);
        return;
    }
    if (m_state == State::Monitoring && m_reason == takingBack && ++m_refusals >= refusalsToGiveUp)
        enter(State::Monitoring, controlTaken);
}

void GenicamLink::stop()
{
    enter(State::Stopped, std::string());
}

GenicamLink::Next GenicamLink::next(bool withProbes) const
{
    const Next probe = withProbes ? Next{Action::Probe, probeAt()} : Next{};
    const Next control{Action::TakeControl, m_nextControlAttempt};
    switch (m_state) {
    case State::Stopped:
        return {};
    case State::Lost:
        return {Action::Reopen, m_nextReopen};
    case State::Connected:
        if (!m_wantControl)
            return probe;
        break;
    case State::Monitoring:
        break;
    }
    // While the camera may be gone, whether it is there comes first.
    if (m_failing)
        return probe;
    if (m_state == State::Connected || probe.action == Action::None || control.at <= probe.at)
        return control;
    return probe;
}

void GenicamLink::enter(State state, std::string reason)
{
    m_state = state;
    m_reason = std::move(reason);
}
