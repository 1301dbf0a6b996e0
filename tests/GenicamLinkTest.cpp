#include "GenicamLink.h"
#include "LinkStates.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using State = Link;
using Action = GenicamLink::Action;

enum class Event {
    Opened,
    OpenedMonitoring,
    OpenFailed,
    Answered,
    Failed,
    ProbeFailed,
    ControlLost,
    Granted,
    Refused,
    ControlUnanswered,
    Stop
};

struct Step
{
    int atMs;
    Event event;
    State state;
    const char* reason;
    Action next;
    int nextAtMs; // -1: the time is not looked at
};

struct Scenario
{
    const char* name;
    bool reopens;
    std::vector<Step> steps;
};

const char* const other = "another application controls the camera";
const char* const takingBack = "control is being taken back";
const char* const lostControl = "control of the camera was lost";
const char* const taken = "control taken: no other application controls the camera";

} // namespace

// The policy as a table: events in, the state, its reason and the worker's next action out.
TEST(GenicamLinkTest, EventsDecideTheStateAndWhatTheWorkerDoesWhen)
{
    const auto C = State::Connected;
    const auto M = State::Monitoring;
    const auto L = State::Lost;
    // clang-format off
    const Scenario scenarios[] = {
        {"a silent camera: lost once two probes failed and nothing answered for 3 s; looked for with growing pauses", true, {
            {0, Event::Opened, C, "", Action::Probe, 1000},
            {1000, Event::Answered, C, "", Action::Probe, 2000},
            {2500, Event::Failed, C, "", Action::Probe, 2500}, // at once, before anything else
            {3100, Event::ProbeFailed, C, "", Action::Probe, 2500},
            {3700, Event::ProbeFailed, C, "", Action::Probe, 2500}, // only 2.7 s
            {4300, Event::ProbeFailed, L, "read timeout", Action::Reopen, 4800},
            {4800, Event::OpenFailed, L, "read timeout", Action::Reopen, 5800},
            {5800, Event::OpenFailed, L, "read timeout", Action::Reopen, 7800},
            {7800, Event::OpenFailed, L, "read timeout", Action::Reopen, 11800},
            {11800, Event::OpenFailed, L, "read timeout", Action::Reopen, 15800},
            {15800, Event::Opened, C, "", Action::Probe, 16800},
            {19000, Event::ProbeFailed, C, "", Action::Probe, 19000},
            {19600, Event::ProbeFailed, L, "the camera answers nothing", Action::Reopen, 20100}, // pauses anew
        }},
        {"a poor network: a failed call or probe between answers never loses the camera", true, {
            {0, Event::Opened, C, "", Action::Probe, 1000},
            {2900, Event::Failed, C, "", Action::Probe, 2900},
            {3500, Event::ProbeFailed, C, "", Action::Probe, 2900}, // 3.5 s, but one probe
            {3600, Event::Answered, C, "", Action::Probe, 4600},
            {7000, Event::Failed, C, "", Action::Probe, 7000},
            {7600, Event::Answered, C, "", Action::Probe, 8600},
            {9000, Event::ProbeFailed, C, "", Action::Probe, 9000},
            {9600, Event::Answered, C, "", Action::Probe, 10600},
        }},
        {"the returning camera still holds our old connection: control is taken back", true, {
            {0, Event::Opened, C, "", Action::Probe, 1000},
            {3000, Event::Failed, C, "", Action::Probe, 3000},
            {3600, Event::ProbeFailed, C, "", Action::Probe, 3000},
            {4200, Event::ProbeFailed, L, "read timeout", Action::Reopen, 4700},
            {4700, Event::OpenedMonitoring, M, takingBack, Action::Probe, 5700},
            {5700, Event::Answered, M, takingBack, Action::Probe, 6700},
            {7200, Event::Answered, M, takingBack, Action::TakeControl, 7700},
            {7700, Event::Refused, M, takingBack, Action::Probe, 8700},
            {10700, Event::Granted, C, "", Action::Probe, 11700},
        }},
        {"taking back refused three times: another application has it; asking goes on", true, {
            {0, Event::OpenedMonitoring, M, other, Action::Probe, 1000},
            {10, Event::Granted, C, taken, Action::Probe, 1010},
            {3020, Event::ProbeFailed, C, taken, Action::Probe, 3020},
            {3620, Event::ProbeFailed, L, "the camera answers nothing", Action::Reopen, 4120},
            {4120, Event::OpenedMonitoring, M, takingBack, Action::Probe, 5120},
            {7120, Event::Refused, M, takingBack, Action::Probe, 8120},
            {10120, Event::Refused, M, takingBack, Action::Probe, 11120},
            {13120, Event::Refused, M, lostControl, Action::Probe, 14120},
            {16120, Event::Refused, M, lostControl, Action::Probe, 17120},
        }},
        {"a monitoring viewer takes control when the camera has none, and says so", true, {
            {0, Event::OpenedMonitoring, M, other, Action::Probe, 1000},
            {2500, Event::Answered, M, other, Action::TakeControl, 3000},
            {3000, Event::Refused, M, other, Action::Probe, 4000},
            {5500, Event::Answered, M, other, Action::TakeControl, 6000},
            {6000, Event::Granted, C, taken, Action::Probe, 7000},
        }},
        {"control lost to the heartbeat: a probe, then control is asked for; refused, the viewer monitors", true, {
            {0, Event::Opened, C, "", Action::Probe, 1000},
            {500, Event::ControlLost, C, "", Action::Probe, 500}, // is it there at all?
            {505, Event::Answered, C, "", Action::TakeControl, 500},
            {510, Event::Refused, M, lostControl, Action::Probe, 1510},
            {3510, Event::Stop, State::Closed, "", Action::None, -1},
        }},
        {"a camera that does not answer the request for control is probed before it is asked again", true, {
            {0, Event::Opened, C, "", Action::Probe, 1000},
            {500, Event::ControlLost, C, "", Action::Probe, 500},
            {505, Event::Answered, C, "", Action::TakeControl, 500},
            {1500, Event::Failed, C, "", Action::Probe, 1500},
            {2000, Event::Answered, C, "", Action::TakeControl, 4500},
            {4500, Event::Granted, C, "", Action::Probe, 5500},
        }},
        {"a camera that answers probes but ignores the request for control: another application has it", true, {
            {0, Event::Opened, C, "", Action::Probe, 1000},
            {500, Event::ControlLost, C, "", Action::Probe, 500},
            {505, Event::Answered, C, "", Action::TakeControl, 500},
            {1500, Event::ControlUnanswered, C, "", Action::Probe, 1500},
            {2000, Event::Answered, M, lostControl, Action::Probe, 3000},
            {5000, Event::Granted, C, taken, Action::Probe, 6000},
        }},
        {"the in-process fake is never lost", false, {
            {0, Event::Opened, C, "", Action::Probe, 1000},
            {9000, Event::Failed, C, "", Action::Probe, 1000},
            {9600, Event::ProbeFailed, C, "", Action::Probe, 1000},
            {9700, Event::ProbeFailed, C, "", Action::Probe, 1000},
        }},
    };
    // clang-format on
    const GenicamLink::Time origin = GenicamLink::Clock::now();
    const auto at = [origin](int ms) {
        return origin + std::chrono::milliseconds(ms);
    };
    for (const Scenario& scenario : scenarios) {
        GenicamLink link(scenario.reopens, origin);
        for (const Step& step : scenario.steps) {
            SCOPED_TRACE(std::string(scenario.name) + ", at " + std::to_string(step.atMs) + " ms");
            const GenicamLink::Time now = at(step.atMs);
            bool lost = false;
            switch (step.event) {
            case Event::Opened:
            case Event::OpenedMonitoring:
                link.opened(step.event == Event::Opened, now);
                break;
            case Event::OpenFailed:
                link.openFailed(now);
                break;
            case Event::Answered:
                link.answered(now);
                break;
            case Event::Failed:
                link.failed("read timeout", now);
                break;
            case Event::ProbeFailed:
                lost = link.probeFailed(now);
                break;
            case Event::ControlLost:
                link.controlLost(now);
                break;
            case Event::Granted:
                link.controlGranted(now);
                break;
            case Event::Refused:
                link.controlRefused(now);
                break;
            case Event::ControlUnanswered:
                link.controlUnanswered("write timeout", now);
                break;
            case Event::Stop:
                link.stop();
                break;
            }
            EXPECT_EQ(lost, step.event == Event::ProbeFailed && step.state == State::Lost);
            EXPECT_EQ(linkOf(link.status()), step.state);
            EXPECT_EQ(link.status().reasonText(), step.reason);
            const GenicamLink::Next next = link.next();
            EXPECT_EQ(next.action, step.next);
            if (step.nextAtMs >= 0) {
                EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(next.at - origin).count(),
                          step.nextAtMs);
            }
        }
    }
}

// Looking only: control is never asked for, neither after opening nor after a return; the link
// still probes. Writing again asks for control at once.
TEST(GenicamLinkTest, LookingOnlyNeverAsksForControl)
{
    using Control = LinkStatus::Control;
    const GenicamLink::Time origin = GenicamLink::Clock::now();
    GenicamLink link(true, origin);
    link.setLookOnly(true, origin);
    link.opened(true, origin);
    EXPECT_EQ(link.status().control, Control::ReadOnly);
    EXPECT_FALSE(link.inControl());
    EXPECT_EQ(link.next().action, GenicamLink::Action::Probe);
    EXPECT_EQ(link.next(false).action, GenicamLink::Action::None);
    link.controlLost(origin); // a heartbeat of the control given back
    EXPECT_EQ(link.next().action, GenicamLink::Action::Probe);
    link.opened(false, origin + std::chrono::seconds(1)); // back after a loss
    EXPECT_EQ(link.status().control, Control::ReadOnly);

    link.setLookOnly(false, origin + std::chrono::seconds(2));
    EXPECT_EQ(link.status().control, Control::Monitoring);
    const GenicamLink::Next next = link.next(false);
    EXPECT_EQ(next.action, GenicamLink::Action::TakeControl);
    EXPECT_LE(next.at, origin + std::chrono::seconds(2));
    link.controlGranted(origin + std::chrono::seconds(2));
    EXPECT_TRUE(link.inControl());
    EXPECT_EQ(link.status().reason, LinkStatus::Reason::None);
}
