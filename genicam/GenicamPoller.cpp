#include "GenicamPoller.h"

#include "FeatureName.h"
#include "GenicamCache.h"
#include "GenicamDescription.h"
#include "GenicamLink.h"
#include "GenicamNode.h"
#include "GenicamReads.h"
#include "GenicamWake.h"
#include "TovrikFeature.h"
#include "TovrikStatus.h"

#include <algorithm>
#include <map>
#include <optional>

namespace {

namespace Status = Tovrik::Status;

constexpr std::chrono::seconds budgetWindow{1};

// The camera's set-up as the trigger check needs it. A value selected by a selector is known for
// the entry the selector names now; selectors are never stepped, since that would change what the
// page shows. What the poll of the page's features just read is taken from there.
TriggerSettings setUpOf(GenicamReads& reads, const FeatureObserverRegistry& polled)
{
    std::map<std::string, std::optional<std::string>> values;
    const auto valueOf = [&reads, &polled, &values](const std::string& feature) {
        auto known = values.find(feature);
        if (known != values.end())
            return known->second;
        const std::optional<FeatureState> state = polled.state(feature);
        std::optional<std::string> value;
        if (state && state->value && state->value->status == 0)
            value = state->value->value;
        else
            value = reads.text(feature);
        return values.emplace(feature, value).first->second;
    };
    TriggerSettings::Reader reader;
    reader.value = [&reads, &valueOf](const char* feature, const char* entry) -> std::optional<std::string> {
        // The image's shape is the stream's business, not the trigger's.
        if (std::string(feature) == FeatureName::Width || std::string(feature) == FeatureName::Height)
            return std::nullopt;
        GenicamContext& context = reads.context();
        const auto described = context.cache().describe(context, feature);
        if (!described || !described->exists)
            return std::nullopt;
        if (*entry != '\0' && !described->selector.empty() &&
            valueOf(described->selector) != std::optional<std::string>(entry))
            return std::nullopt;
        return valueOf(feature);
    };
    reader.max = [&reads](const char* feature) -> std::optional<double> {
        if (const auto range = reads.range(feature))
            return range->second;
        return std::nullopt;
    };
    reader.min = [&reads](const char* feature) -> std::optional<double> {
        if (const auto range = reads.range(feature))
            return range->first;
        return std::nullopt;
    };
    reader.increment = [&reads](const char* feature) {
        return reads.increment(feature);
    };
    return TriggerSettings::read(reader);
}

} // namespace

GenicamPoller::GenicamPoller(GenicamWake& wake, Runner runner) : m_wake(wake), m_run(std::move(runner)) {}

void GenicamPoller::setHandles(const std::map<std::string, Handle>& handles)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handles = handles;
}

bool GenicamPoller::add(const std::string& name, Observer observer)
{
    Handle handle;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_handles.find(name);
        if (found != m_handles.end())
            handle = found->second;
    }
    m_observers.add(name, handle, std::move(observer));
    return !m_observers.hasBaseline(name);
}

void GenicamPoller::baseline(const std::string& name, const FeatureState& state)
{
    m_observers.changed(name, state);
}

void GenicamPoller::remove(const std::string& name, const Observer& observer)
{
    m_observers.remove(name, observer);
}

size_t GenicamPoller::observerCount(const std::string& name) const
{
    return m_observers.count(name);
}

void GenicamPoller::setInterval(std::chrono::milliseconds interval)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_interval = std::max(interval, std::chrono::milliseconds(1));
        m_nextPoll = std::min(m_nextPoll, Clock::now() + m_interval);
    }
    m_wake.notify();
}

void GenicamPoller::soon()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nextPoll = std::min(m_nextPoll, Clock::now() + GenicamLink::quietTime);
    }
    m_wake.notify();
}

uint64_t GenicamPoller::rounds() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rounds;
}

void GenicamPoller::setSampleListener(std::function<void(const TriggerSample& sample)> listener,
                                      std::chrono::milliseconds interval)
{
    const bool sampling = static_cast<bool>(listener);
    m_sampleListener.set(std::move(listener));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sampling = sampling;
        m_sampleInterval = std::max(interval, std::chrono::milliseconds(10));
        m_nextSample = Clock::now();
        m_settingsKnown = false;
    }
    m_wake.notify();
}

void GenicamPoller::setStreamCheck(std::function<void(GenicamContext& context)> check)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_streamCheck = std::move(check);
}

void GenicamPoller::setStreamFigures(StreamFigures figures)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_streamFigures = std::move(figures);
}

double GenicamPoller::spent(Clock::time_point now) const
{
    double total = 0.0;
    for (const auto& entry : m_spent) {
        if (entry.first > now - budgetWindow)
            total += entry.second;
    }
    return total;
}

void GenicamPoller::spend(int operations)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto now = Clock::now();
    m_spent.emplace_back(now, operations);
    while (!m_spent.empty() && m_spent.front().first <= now - budgetWindow)
        m_spent.pop_front();
}

GenicamPoller::Clock::time_point GenicamPoller::due(Clock::time_point now, Clock::time_point quietUntil) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto at = m_round.empty() ? m_nextPoll : now;
    if (m_sampling) {
        // Within the budget: when the commands spent have left the window far enough.
        auto sampleAt = m_nextSample;
        double total = spent(now);
        for (const auto& entry : m_spent) {
            if (total + m_sampleCost <= commandBudget)
                break;
            total -= entry.second;
            sampleAt = std::max(sampleAt, entry.first + budgetWindow);
        }
        at = std::min(at, sampleAt);
    }
    return std::max(at, quietUntil);
}

void GenicamPoller::step()
{
    std::string name;
    bool sampleNow = false;
    bool newRound = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto now = Clock::now();
        if (m_round.empty() && now >= m_nextPoll) {
            m_round = m_observers.observed();
            m_nextPoll = now + m_interval;
            ++m_rounds;
            newRound = true;
        }
        if (!m_round.empty()) {
            name = m_round.back();
            m_round.pop_back();
        } else {
            sampleNow = m_sampling && now >= m_nextSample;
        }
    }
    if (!name.empty())
        pollOne(name, newRound);
    else if (sampleNow)
        sample();
}

void GenicamPoller::pollOne(const std::string& name, bool newRound)
{
    auto fresh = std::make_shared<FeatureState>();
    int reads = 0;
    // Polls look at the camera itself; only a selector, once read in the round, is Aravis's to keep.
    const int status = m_run([name, newRound, fresh, &reads](GenicamContext& context) {
        if (newRound)
            context.cache().startRound();
        const auto described = context.cache().describe(context, name);
        if (!described)
            return static_cast<int>(Status::NotOpened);
        context.cache().freshen(context, name);
        *fresh = GenicamDescription::state(GenicamNode(context, name), *described);
        context.cache().cool(name); // what was read at opening holds no more
        reads = 1 + (fresh->available ? 1 : 0) + (fresh->writable ? 1 : 0) +
                static_cast<int>(fresh->entries.size()) + (fresh->range ? 2 : 0);
        return 0;
    });
    spend(reads);
    if (status == 0 && m_observers.changed(name, *fresh))
        m_observers.notify({name});
}

void GenicamPoller::pollAll()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_round = m_observers.observed();
        ++m_rounds;
    }
    for (bool first = true;; first = false) {
        std::string name;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_round.empty())
                return;
            name = m_round.back();
            m_round.pop_back();
        }
        pollOne(name, first);
    }
}

void GenicamPoller::sample()
{
    bool readSetUp = false;
    {
        // The set-up when it is due and the budget has room for it; a plain sample otherwise.
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto now = Clock::now();
        readSetUp = (!m_settingsKnown || now - m_settingsAt >= setUpInterval) &&
                    (!m_settingsKnown || spent(now) + m_sampleCost + m_setUpCost <= commandBudget);
    }
    TriggerSample taken;
    int operations = 0;
    const int status = m_run([this, readSetUp, &taken, &operations](GenicamContext& context) {
        context.cache().startRound();
        GenicamReads reads(context);
        taken = measure(reads, readSetUp);
        operations = reads.count();
        std::function<void(GenicamContext&)> check;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            check = m_streamCheck;
        }
        if (check && taken.acquiring)
            check(context);
        return 0;
    });
    spend(operations);
    {
        // Irregular intervals: a steady pulse train is not always seen at one phase.
        static const double spread[] = {0.83, 1.13, 0.97, 1.07};
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto pause =
            std::chrono::duration_cast<Clock::duration>(m_sampleInterval * spread[m_samples++ % 4]);
        m_nextSample = Clock::now() + pause;
        if (status != 0)
            return;
        if (readSetUp) {
            m_settings = taken.settings;
            m_settingsKnown = taken.settingsKnown;
            m_settingsAt = Clock::now();
            m_setUpCost = std::max(0.0, operations - m_sampleCost);
        } else {
            m_sampleCost = operations;
        }
        taken.settings = m_settings;
        taken.settingsKnown = m_settingsKnown;
    }
    m_sampleListener(taken);
}

TriggerSample GenicamPoller::measure(GenicamReads& reads, bool readSetUp)
{
    StreamFigures figures;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        figures = m_streamFigures;
    }
    TriggerSample sample;
    sample.seconds = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
    if (figures) {
        const auto stream = figures();
        sample.acquiring = stream.first;
        sample.lines = stream.second.lines;
        sample.incompleteFrames = stream.second.incompleteFrames;
    }
    sample.encoderValue = reads.integer(FeatureName::EncoderValue);
    sample.lineBits = reads.integer(FeatureName::LineStatusAll);
    sample.encoderStatus = reads.text(FeatureName::EncoderStatus).value_or(std::string());
    // Counted since the start: only while acquiring does it say anything, and once after the stop,
    // when it holds the run's final count.
    if (sample.acquiring || m_wasAcquiring)
        sample.missedTriggers = reads.integer(FeatureName::LineTriggerMissedCount);
    m_wasAcquiring = sample.acquiring;
    if (readSetUp) {
        sample.settings = setUpOf(reads, m_observers);
        sample.settingsKnown = true;
    }
    return sample;
}

void GenicamPoller::everythingChanged(bool forgetBaselines)
{
    if (forgetBaselines)
        m_observers.forgetBaselines();
    m_observers.notify(m_observers.observed());
    std::lock_guard<std::mutex> lock(m_mutex);
    m_round.clear();
    m_nextPoll = Clock::now();
    m_settingsKnown = false;
}

void GenicamPoller::lost()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_round.clear();
    m_settingsKnown = false;
}

void GenicamPoller::clear()
{
    m_observers.clear();
    m_sampleListener.set(nullptr);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handles.clear();
    m_sampling = false;
}
