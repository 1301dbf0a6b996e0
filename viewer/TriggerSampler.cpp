#include "TriggerSampler.h"

#include "CameraLines.h"

namespace {

// The observation looks this far back.
constexpr double window = 1.0;

} // namespace

void TriggerSampler::add(const TriggerSample& sample)
{
    if (!m_samples.empty() &&
        (sample.acquiring != m_samples.back().acquiring || sample.lines < m_samples.back().lines))
        m_samples.clear();
    m_samples.push_back(sample);
    while (m_samples.size() > 2 && m_samples.front().seconds < sample.seconds - window)
        m_samples.pop_front();
    if (sample.settingsKnown)
        m_settings = sample.settings;
}

TriggerObservation TriggerSampler::observation() const
{
    TriggerObservation o;
    o.settings = m_settings;
    o.installation = m_installation;
    if (m_samples.empty())
        return o;
    const TriggerSample& first = m_samples.front();
    const TriggerSample& last = m_samples.back();
    o.beltSpeed = last.beltSpeed;
    if (!o.installation)
        o.installation = last.installation;
    o.acquiring = last.acquiring;
    o.seconds = last.seconds - first.seconds;
    if (last.encoderValue)
        o.encoderValue = *last.encoderValue;
    if (last.missedTriggers)
        o.missedTriggers = *last.missedTriggers;
    o.encoderStatus = QString::fromStdString(last.encoderStatus);
    if (o.seconds > 0.0) {
        o.linesPerSecond = static_cast<double>(last.lines - first.lines) / o.seconds;
        if (last.incompleteFrames >= first.incompleteFrames)
            o.incompletePerSecond =
                static_cast<double>(last.incompleteFrames - first.incompleteFrames) / o.seconds;
        if (first.missedTriggers && last.missedTriggers)
            o.missedPerSecond = static_cast<double>(*last.missedTriggers - *first.missedTriggers) / o.seconds;
        if (first.encoderValue && last.encoderValue)
            o.countsPerSecond = static_cast<double>(*last.encoderValue - *first.encoderValue) / o.seconds;
    }
    for (int line = 1; line <= CameraLines::count; ++line) {
        const int64_t bit = int64_t{1} << (line - 1);
        bool seen = false;
        bool high = false;
        bool changed = false;
        for (const TriggerSample& sample : m_samples) {
            if (!sample.lineBits)
                continue;
            const bool level = (*sample.lineBits & bit) != 0;
            changed = changed || (seen && level != high);
            high = level;
            seen = true;
        }
        using Activity = TriggerObservation::Activity;
        o.lines[static_cast<size_t>(line)] = !seen     ? Activity::Unknown
                                             : changed ? Activity::Active
                                             : high    ? Activity::High
                                                       : Activity::Low;
    }
    return o;
}
