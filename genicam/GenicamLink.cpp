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
}

bool GenicamLink::failed(const std::string& why, Time now)
{
    // Asking for control waits while the camera does not answer.
    m_nextControlAttempt = std::max(m_nextControlAttempt, now + controlRetry);
    if (!m_reopens || !reachable() || now - m_lastAnswer < lossEvidence)
        return false;
    m_reopenPause = firstReopenPause;
    m_nextReopen = now + m_reopenPause;
    m_wantControl = false;
    enter(State::Lost, why);
    return true;
}

void GenicamLink::controlLost(Time now)
{
    if (m_state != State::Connected)
        return;
    m_wantControl = true;
    m_nextControlAttempt = now;
}

void GenicamLink::controlGranted(Time now)
{
    m_lastAnswer = now;
    m_wantControl = false;
    m_refusals = 0;
    m_hadControl = true;
    const bool fromOther = m_state == State::Monitoring && m_reason != takingBack;
    enter(State::Connected, fromOther ? "control taken: no other application controls the camera" : "");
}

void GenicamLink::controlRefused(Time now)
{
    m_lastAnswer = now; // a refusal is an answer
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

GenicamLink::Next GenicamLink::next() const
{
    const Next probe{Action::Probe, m_lastAnswer + probeAfter};
    switch (m_state) {
    case State::Stopped:
        return {};
    case State::Lost:
        return {Action::Reopen, m_nextReopen};
    case State::Connected:
        return m_wantControl ? Next{Action::TakeControl, m_nextControlAttempt} : probe;
    case State::Monitoring:
        break;
    }
    return m_nextControlAttempt <= probe.at ? Next{Action::TakeControl, m_nextControlAttempt} : probe;
}

void GenicamLink::enter(State state, std::string reason)
{
    m_state = state;
    m_reason = std::move(reason);
}
