#pragma once

#include "FeatureObserverRegistry.h"
#include "FeatureState.h"
#include "GenicamContext.h"
#include "Listener.h"
#include "TriggerSample.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class GenicamWake;
class GenicamReads;
namespace Tovrik {
class Feature;
class FeatureObserverInterface;
} // namespace Tovrik

// What a camera's worker looks at on its own, since Aravis has no change callbacks: the observed
// features, once a second, one feature a step so that calls never wait long; and the trigger
// check's figures, sampled as often as asked within a budget of commands a second, so that the
// network is spared. Steps run on the worker thread when calls have been quiet for a while.
class GenicamPoller
{
public:
    using Clock = std::chrono::steady_clock;
    using Handle = std::shared_ptr<Tovrik::Feature>;
    using Observer = std::shared_ptr<Tovrik::FeatureObserverInterface>;
    // Runs a call on the worker thread now, as a poll: the worker's own.
    using Runner = std::function<int(const std::function<int(GenicamContext&)>& call)>;
    // Whether the stream acquires, and what it counted since its start.
    using StreamFigures = std::function<std::pair<bool, LineSource::Statistics>()>;

    // Commands a second the samples may cost at most, the observed features' polls included.
    static constexpr double commandBudget = 18.0;
    // The camera's set-up is read again this often for the samples.
    static constexpr std::chrono::milliseconds setUpInterval{2000};

    GenicamPoller(GenicamWake& wake, Runner runner);

    // Any thread.
    void setHandles(const std::map<std::string, Handle>& handles);
    // Registers an observer; true when the feature has no baseline yet (the caller takes one).
    bool add(const std::string& name, Observer observer);
    void baseline(const std::string& name, const FeatureState& state);
    void remove(const std::string& name, const Observer& observer);
    size_t observerCount(const std::string& name) const;
    void setInterval(std::chrono::milliseconds interval);
    // After a write: poll once calls have been quiet for a short while.
    void soon();
    uint64_t rounds() const;
    void setSampleListener(std::function<void(const TriggerSample& sample)> listener,
                           std::chrono::milliseconds interval);
    void setStreamFigures(StreamFigures figures);
    // Runs with every sample while the stream acquires, on the worker thread: the stream's own look
    // at the camera (whether its frames still come here).
    void setStreamCheck(std::function<void(GenicamContext& context)> check);

    // The worker thread: when the next step is due as seen at now (never before quietUntil), and
    // the step.
    Clock::time_point due(Clock::time_point now, Clock::time_point quietUntil) const;
    void step();
    // Polls every observed feature now and delivers what changed before returning.
    void pollAll();
    // The camera was opened again or became writable: everybody hears of everything, and the
    // next poll takes new baselines.
    void everythingChanged(bool forgetBaselines);
    // The camera is gone: the round in progress is dropped.
    void lost();
    void clear();

private:
    void pollOne(const std::string& name, bool newRound);
    void sample();
    TriggerSample measure(GenicamReads& reads, bool readSetUp);
    // m_mutex held: commands spent within the last second.
    double spent(Clock::time_point now) const;
    void spend(int operations);

    GenicamWake& m_wake;
    const Runner m_run;
    FeatureObserverRegistry m_observers; // delivered on the worker thread
    Listener<const TriggerSample&> m_sampleListener;

    // Guards everything below.
    mutable std::mutex m_mutex;
    std::map<std::string, Handle> m_handles;
    std::chrono::milliseconds m_interval{1000};
    Clock::time_point m_nextPoll;
    std::vector<std::string> m_round; // features still to poll in this round
    uint64_t m_rounds = 0;
    bool m_sampling = false;
    std::chrono::milliseconds m_sampleInterval{250};
    Clock::time_point m_nextSample;
    unsigned m_samples = 0;
    double m_sampleCost = 4.0; // what the last sample cost, in commands
    double m_setUpCost = 20.0; // what reading the set-up cost besides
    StreamFigures m_streamFigures;
    std::function<void(GenicamContext& context)> m_streamCheck;
    TriggerSettings m_settings;
    bool m_settingsKnown = false;
    bool m_wasAcquiring = false; // at the last sample
    Clock::time_point m_settingsAt;
    std::deque<std::pair<Clock::time_point, int>> m_spent;
};
