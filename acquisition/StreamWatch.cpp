#include "StreamWatch.h"

namespace {

std::string seconds(std::chrono::milliseconds duration)
{
    return std::to_string(duration.count() / 1000) + " s";
}

} // namespace

void StreamWatch::starting(Time now)
{
    m_phase = Phase::Starting;
    m_tries = 1;
    m_since = now;
}

StreamWatch::Step StreamWatch::answered(Answer answer, const std::string& why, Time now)
{
    Step step;
    if (m_phase != Phase::Starting && m_phase != Phase::Confirming)
        return step;
    switch (answer) {
    case Answer::Yes:
        m_phase = Phase::Flowing;
        m_lastBuffer = now;
        step.event = Event{Event::Kind::Started, "the camera started"};
        break;
    case Answer::Refused:
        m_phase = Phase::Stopped;
        step.event = Event{Event::Kind::StartFailed, "the camera refused to start (" + why + ")"};
        break;
    case Answer::Lost:
        // It may have started all the same: frames will tell.
        m_phase = Phase::Confirming;
        m_since = now;
        break;
    }
    return step;
}

StreamWatch::Step StreamWatch::buffer(Time now)
{
    Step step;
    switch (m_phase) {
    case Phase::Starting:
    case Phase::Confirming:
        step.event =
            Event{Event::Kind::Started, m_tries > 1 || m_phase == Phase::Confirming
                                            ? "frames arrive, although the answer to the start was lost"
                                            : "the camera started"};
        break;
    case Phase::Reopened:
    case Phase::Silent:
        step.event = Event{Event::Kind::Flowing, "frames arrive again"};
        break;
    case Phase::Flowing:
    case Phase::Stopped:
        break;
    }
    if (m_phase != Phase::Stopped) {
        m_phase = Phase::Flowing;
        m_lastBuffer = now;
    }
    return step;
}

StreamWatch::Step StreamWatch::tick(Time now)
{
    Step step;
    switch (m_phase) {
    case Phase::Confirming:
        if (now - m_since < confirmWithin)
            break;
        if (m_tries < startTries) {
            ++m_tries;
            m_phase = Phase::Starting;
            m_since = now;
            step.action = Action::RetryStart;
            break;
        }
        m_phase = Phase::Stopped;
        step.event =
            Event{Event::Kind::StartFailed, "the camera did not answer the start " + std::to_string(m_tries) +
                                                " times, and no frame came"};
        break;
    case Phase::Flowing:
        if (now - m_lastBuffer < silenceLimit)
            break;
        m_phase = Phase::Reopened;
        m_since = now;
        step.action = Action::Reopen;
        break;
    case Phase::Reopened:
        if (now - m_since < silenceLimit)
            break;
        m_phase = Phase::Silent;
        step.event = Event{Event::Kind::Silent,
                           "no frame for " + seconds(silenceLimit * 2) +
                               ", also after the stream was opened again: the camera may wait for its "
                               "triggers, or its stream does not reach this computer"};
        break;
    case Phase::Starting:
    case Phase::Silent:
    case Phase::Stopped:
        break;
    }
    return step;
}

void StreamWatch::stopped()
{
    m_phase = Phase::Stopped;
}
