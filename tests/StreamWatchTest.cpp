#include "StreamWatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Kind = LineSource::Event::Kind;
using Action = StreamWatch::Action;

enum class In { Start, Yes, Lost, Refused, Buffer, Tick, Stop };

struct Step
{
    int atMs;
    In in;
    Action action;
    const char* event; // the event's detail, empty for none
};

struct Scenario
{
    const char* name;
    std::vector<Step> steps;
};

} // namespace

// What a stream's start and flow mean, as a table: what happened in, what to tell and do out.
TEST(StreamWatch, StartsAreConfirmedAndSilencesSaid)
{
    const char* const started = "the camera started";
    const char* const lostButFlowing = "frames arrive, although the answer to the start was lost";
    // clang-format off
    const Scenario scenarios[] = {
        {"the camera says yes", {
            {0, In::Start, Action::None, ""},
            {3, In::Yes, Action::None, started},
            {40, In::Buffer, Action::None, ""},
        }},
        {"a refusal is said at once and never asked again", {
            {0, In::Start, Action::None, ""},
            {3, In::Refused, Action::None, "the camera refused to start (status -112)"},
            {5000, In::Tick, Action::None, ""},
        }},
        {"the answer is lost but frames come: started", {
            {0, In::Start, Action::None, ""},
            {2500, In::Lost, Action::None, ""},
            {2600, In::Tick, Action::None, ""},
            {2700, In::Buffer, Action::None, lostButFlowing},
            {2800, In::Lost, Action::None, ""}, // a late answer of an earlier try changes nothing
        }},
        {"frames before the answer: started; the lost answer after changes nothing", {
            {0, In::Start, Action::None, ""},
            {40, In::Buffer, Action::None, started},
            {2500, In::Lost, Action::None, ""},
            {2600, In::Tick, Action::None, ""},
        }},
        {"nothing answers and no frame comes: asked three times in all, then said", {
            {0, In::Start, Action::None, ""},
            {2500, In::Lost, Action::None, ""},
            {4499, In::Tick, Action::None, ""},
            {4500, In::Tick, Action::RetryStart, ""},
            {7000, In::Lost, Action::None, ""},
            {9000, In::Tick, Action::RetryStart, ""},
            {11500, In::Lost, Action::None, ""},
            {13500, In::Tick, Action::None, "the camera did not answer the start 3 times, and no frame came"},
            {20000, In::Tick, Action::None, ""},
        }},
        {"a started stream falls silent: opened again once, then said; frames back are said", {
            {0, In::Start, Action::None, ""},
            {3, In::Yes, Action::None, started},
            {1000, In::Buffer, Action::None, ""},
            {5999, In::Tick, Action::None, ""},
            {6000, In::Tick, Action::Reopen, ""},
            {10999, In::Tick, Action::None, ""},
            {11000, In::Tick, Action::None, "no frame for 10 s, also after the stream was opened again: the camera "
                                            "may wait for its triggers, or its stream does not reach this computer"},
            {30000, In::Tick, Action::None, ""},
            {31000, In::Buffer, Action::None, "frames arrive again"},
            {31040, In::Buffer, Action::None, ""},
        }},
        {"the reopened stream brings frames: said to flow again, no silence", {
            {0, In::Start, Action::None, ""},
            {40, In::Buffer, Action::None, started},
            {5040, In::Tick, Action::Reopen, ""},
            {5200, In::Buffer, Action::None, "frames arrive again"},
            {9000, In::Tick, Action::None, ""},
        }},
        {"a stopped stream says nothing", {
            {0, In::Start, Action::None, ""},
            {3, In::Yes, Action::None, started},
            {10, In::Stop, Action::None, ""},
            {60000, In::Tick, Action::None, ""},
            {60001, In::Buffer, Action::None, ""},
        }},
    };
    // clang-format on
    const StreamWatch::Time origin = StreamWatch::Clock::now();
    for (const Scenario& scenario : scenarios) {
        StreamWatch watch;
        for (const Step& step : scenario.steps) {
            SCOPED_TRACE(std::string(scenario.name) + ", at " + std::to_string(step.atMs) + " ms");
            const StreamWatch::Time now = origin + std::chrono::milliseconds(step.atMs);
            StreamWatch::Step out;
            switch (step.in) {
            case In::Start:
                watch.starting(now);
                break;
            case In::Yes:
                out = watch.answered(StreamWatch::Answer::Yes, "status 0", now);
                break;
            case In::Lost:
                out = watch.answered(StreamWatch::Answer::Lost, "status -108", now);
                break;
            case In::Refused:
                out = watch.answered(StreamWatch::Answer::Refused, "status -112", now);
                break;
            case In::Buffer:
                out = watch.buffer(now);
                break;
            case In::Tick:
                out = watch.tick(now);
                break;
            case In::Stop:
                watch.stopped();
                break;
            }
            EXPECT_EQ(out.action, step.action);
            EXPECT_EQ(out.event ? out.event->detail : std::string(), step.event);
        }
    }
}
