#pragma once

#include "TriggerObservation.h"
#include "TriggerSample.h"

#include <deque>

// Turns the samples of the last second or so into an observation: rates from the first and the last
// sample, line activity from all of them, the set-up from the newest that carried one. A new start
// of acquisition counts from zero: what came before says nothing about now.
class TriggerSampler
{
public:
    void add(const TriggerSample& sample);
    TriggerObservation observation() const;

private:
    std::deque<TriggerSample> m_samples;
    TriggerSample m_setUp; // the newest sample that carried the camera's set-up
};
