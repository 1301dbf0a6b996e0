#include "GenicamLink.h"

#include <algorithm>
#include <utility>

namespace {

using State = LinkStatus::State;
using Control = LinkStatus::Control;
using Reason = LinkStatus::Reason;

} // namespace

GenicamLink::GenicamLink(bool reopens, Time now) : m_reopens(reopens), m_lastAnswer(now) {}

void GenicamLink::setLookOnly(bool lookOnly, Time now)
{
    m_lookOnly = lookOnly;
    m_wantControl = false;
    m_nextControlAttempt = now;
    if (!reachable())
        return;
    if (lookOnly)
        enter(State::Connected, Control::ReadOnly, Reason::LookOnly);
    else if (m_status.control == Control::ReadOnly)
        enter(State::Connected, Control::Monitoring, Reason::TakingBack);
}

void GenicamLink::opened(bool controller, Time now)
{
    m_lastAnswer = now;
    heardAgain();
    m_wantControl = false;
    m_refusals = 0;
    m_nextControlAttempt = now + controlRetry;
    if (m_lookOnly) {
        enter(State::Connected, Control::ReadOnly, Reason::LookOnly);
        return;
    }
    if (controller) {
        m_hadControl = true;
        enter(State::Connected, Control::InControl, Reason::None);
        return;
    }
    // Control held before the camera went away comes back once the camera lets go of the old
    // connection.
    enter(State::Connected, Control::Monitoring,
          m_hadControl ? Reason::TakingBack : Reason::OtherApplication);
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
    if (std::exchange(m_controlUnanswered, false) && inControl())
        controlRefused(now);
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
    enter(State::Lost, m_status.control, Reason::LinkFailed, m_failure);
    heardAgain();
    return true;
}

void GenicamLink::controlLost(Time now)
{
    if (!inControl())
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
    const bool fromOther = m_status.control == Control::Monitoring && m_status.reason != Reason::TakingBack;
    enter(State::Connected, Control::InControl, fromOther ? Reason::ControlTaken : Reason::None);
}

void GenicamLink::controlUnanswered(const std::string& why, Time now)
{
    failed(why, now);
    m_controlUnanswered = reachable();
}

void GenicamLink::controlRefused(Time now)
{
    m_lastAnswer = now; // a refusal is an answer
    heardAgain();
    m_wantControl = false;
    m_nextControlAttempt = now + controlRetry;
    if (inControl()) {
        enter(State::Connected, Control::Monitoring, Reason::ControlLost);
        return;
    }
    if (reachable() && m_status.reason == Reason::TakingBack && ++m_refusals >= refusalsToGiveUp)
        enter(State::Connected, Control::Monitoring, Reason::ControlLost);
}

void GenicamLink::stop()
{
    enter(State::Closed, m_status.control, Reason::None);
}

GenicamLink::Next GenicamLink::next(bool withProbes) const
{
    const Next probe = withProbes ? Next{Action::Probe, probeAt()} : Next{};
    const Next control{Action::TakeControl, m_nextControlAttempt};
    switch (m_status.state) {
    case State::Closed:
        return {};
    case State::Lost:
        return {Action::Reopen, m_nextReopen};
    case State::Connected:
        break;
    }
    if ((inControl() && !m_wantControl) || m_lookOnly)
        return probe;
    // While the camera may be gone, whether it is there comes first.
    if (m_failing)
        return probe;
    if (inControl() || probe.action == Action::None || control.at <= probe.at)
        return control;
    return probe;
}

void GenicamLink::enter(State state, Control control, Reason reason, std::string detail)
{
    m_status.state = state;
    m_status.control = control;
    m_status.reason = reason;
    m_status.detail = std::move(detail);
}
