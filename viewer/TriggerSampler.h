#pragma once

#include "FeatureAccess.h"
#include "TriggerObservation.h"

#include <deque>
#include <functional>
#include <optional>
#include <utility>

class LineSource;

// Samples a camera for the trigger check: its measured values (encoder count and status, the
// lines' status, missed triggers, the lines that arrived) at every sample, its set-up once a
// second, and turns the samples of the last second into an observation. Features the camera does
// not have stay unknown. Samples at irregular intervals keep an encoder's steady pulses from
// looking still.
class TriggerSampler
{
public:
    // The belt's speed and the pixel size on it, in mm/s and mm, where they are known.
    using Bench = std::function<std::optional<std::pair<double, double>>()>;

    TriggerSampler(const FeatureAccess::FeatureList& features, const LineSource* source, Bench bench = {});

    // One sample at this time, in seconds on any steady clock.
    void sample(double seconds);
    TriggerObservation observation() const;

private:
    struct Sample
    {
        double seconds = 0.0;
        bool acquiring = false;
        uint64_t lines = 0;
        std::optional<long long> missed;
        std::optional<long long> encoder;
        std::optional<long long> lineBits;
        QString encoderStatus;
    };

    void readSetUp(double seconds);
    std::optional<long long> integer(const char* name) const;
    QString text(const char* name) const;

    FeatureAccess m_access;
    const LineSource* m_source;
    Bench m_bench;
    std::deque<Sample> m_samples;
    TriggerObservation m_setUp;
    double m_setUpAt = -1.0e9;
};
