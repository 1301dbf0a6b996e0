#include "TriggerSampler.h"

#include "LineSource.h"

#include <exception>

namespace {

// The observation looks this far back.
constexpr double window = 1.0;

} // namespace

TriggerSampler::TriggerSampler(const FeatureAccess::FeatureList& features, const LineSource* source,
                               Bench bench)
    : m_access(features), m_source(source), m_bench(std::move(bench))
{}

std::optional<long long> TriggerSampler::integer(const char* name) const
{
    try {
        return static_cast<long long>(m_access.getValueAsDouble(QString::fromLatin1(name)));
    } catch (const std::exception&) {
        return std::nullopt; // the camera does not have it, or does not answer: not known
    }
}

QString TriggerSampler::text(const char* name) const
{
    try {
        return m_access.getValueAsString(QString::fromLatin1(name));
    } catch (const std::exception&) {
        return QString();
    }
}

void TriggerSampler::sample(double seconds)
{
    Sample sample;
    sample.seconds = seconds;
    sample.acquiring = m_source && m_source->isAcquiring();
    sample.lines = m_source ? m_source->statistics().lines : 0;
    sample.missed = integer("LineTriggerMissedCount");
    sample.encoder = integer("EncoderValue");
    sample.lineBits = integer("LineStatusAll");
    sample.encoderStatus = text("EncoderStatus");
    // A new start counts from zero: the figures before it say nothing about now.
    if (!m_samples.empty() &&
        (sample.acquiring != m_samples.back().acquiring || sample.lines < m_samples.back().lines))
        m_samples.clear();
    m_samples.push_back(sample);
    while (m_samples.size() > 2 && m_samples.front().seconds < seconds - window)
        m_samples.pop_front();
    if (seconds - m_setUpAt >= window)
        readSetUp(seconds);
}

void TriggerSampler::readSetUp(double seconds)
{
    m_setUpAt = seconds;
    TriggerObservation& s = m_setUp;
    s.triggerMode = text("TriggerMode");
    s.triggerSource = text("TriggerSource");
    s.triggerActivation = text("TriggerActivation");
    s.triggerDivider = integer("TriggerDivider").value_or(1);
    s.sourceA = text("EncoderSourceA");
    s.sourceB = text("EncoderSourceB");
    s.encoderMode = text("EncoderMode");
    try {
        s.encoderDivider = m_access.getValueAsDouble(QStringLiteral("EncoderDividerFloat"));
        s.exposureUs = m_access.getValueAsDouble(QStringLiteral("ExposureTime"));
        double min = 0.0;
        double increment = 0.0;
        s.lineRate = m_access.getValueAndLimits(QStringLiteral("AcquisitionLineRate"), &min, &s.topLineRate,
                                                &increment);
    } catch (const std::exception&) {
        // What could be read stays; the rest keeps its last value.
    }
    s.beltSpeed.reset();
    s.pixelSize.reset();
    if (const auto bench = m_bench ? m_bench() : std::nullopt) {
        s.beltSpeed = bench->first;
        s.pixelSize = bench->second;
    }
}

TriggerObservation TriggerSampler::observation() const
{
    TriggerObservation o = m_setUp;
    if (m_samples.empty())
        return o;
    const Sample& first = m_samples.front();
    const Sample& last = m_samples.back();
    o.acquiring = last.acquiring;
    o.seconds = last.seconds - first.seconds;
    o.encoderValue = last.encoder;
    o.missedTriggers = last.missed;
    o.encoderStatus = last.encoderStatus;
    if (o.seconds > 0.0) {
        o.linesPerSecond = static_cast<double>(last.lines - first.lines) / o.seconds;
        if (first.missed && last.missed)
            o.missedPerSecond = static_cast<double>(*last.missed - *first.missed) / o.seconds;
        if (first.encoder && last.encoder)
            o.countsPerSecond = static_cast<double>(*last.encoder - *first.encoder) / o.seconds;
    }
    for (int line = 1; line <= 4; ++line) {
        const long long bit = 1LL << (line - 1);
        bool seen = false;
        bool high = false;
        bool changed = false;
        for (const Sample& sample : m_samples) {
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
