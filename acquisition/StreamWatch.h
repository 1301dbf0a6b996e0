#pragma once

#include "LineSource.h"

#include <chrono>
#include <optional>
#include <string>

// What a camera stream's start and flow mean, apart from any camera library: a start counts once
// the camera said yes or frames came; a command whose answer was lost is asked again (starting is
// idempotent) rather than taken for a refusal; a started stream that brings nothing for a while is
// opened again once, then said to be silent until frames come again. Events come in (the answer to
// the start, a buffer, time passing), and the watch says what to tell and what to do. Not
// thread-safe: its owner guards it.
class StreamWatch
{
public:
    using Clock = std::chrono::steady_clock;
    using Time = Clock::time_point;

    // How long frames may take to show that a start whose answer was lost worked.
    static constexpr std::chrono::milliseconds confirmWithin{2000};
    // Tries of the start command in all.
    static constexpr int startTries = 3;
    // A started stream bringing nothing for this long is opened again, and then said to be silent.
    static constexpr std::chrono::milliseconds silenceLimit{5000};

    enum class Answer { Yes, Lost, Refused };
    enum class Action { None, RetryStart, Reopen };
    using Event = LineSource::Event;
    struct Step
    {
        Action action = Action::None;
        std::optional<Event> event;
    };

    // A start was asked for; the command goes to the camera.
    void starting(Time now);
    // The camera's answer to the start command; why says what it answered (for a refusal).
    Step answered(Answer answer, const std::string& why, Time now);
    // A buffer came, whole or not.
    Step buffer(Time now);
    // Time passed (the receiver looks ten times a second).
    Step tick(Time now);
    void stopped();
    bool started() const
    {
        return m_phase == Phase::Flowing || m_phase == Phase::Reopened || m_phase == Phase::Silent;
    }

private:
    enum class Phase { Stopped, Starting, Confirming, Flowing, Reopened, Silent };

    Phase m_phase = Phase::Stopped;
    int m_tries = 0;
    Time m_since{};      // when the phase's clock started
    Time m_lastBuffer{}; // the last buffer while flowing
};
