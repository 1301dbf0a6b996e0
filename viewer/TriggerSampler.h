#pragma once

#include "Installation.h"
#include "TriggerObservation.h"
#include "TriggerSample.h"

#include <deque>
#include <optional>

// Turns the samples of the last second or so into an observation: rates from the first and the last
// sample, line activity from all of them, the set-up from the newest that carried one. A new start
// of acquisition counts from zero: what came before says nothing about now.
class TriggerSampler
{
public:
    void add(const TriggerSample& sample);
    // The operator's figures of the installation, which take the place of the camera's own.
    void setInstallation(const std::optional<Installation>& installation) { m_installation = installation; }
    TriggerObservation observation() const;

private:
    std::deque<TriggerSample> m_samples;
    std::optional<TriggerSettings> m_settings; // from the newest sample that carried the set-up
    std::optional<Installation> m_installation;
};
