#pragma once

#include "TriggerObservation.h"
#include "TriggerSampler.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <array>

class QLabel;

// The trigger check beside the live view: the encoder's position, direction and counts per
// second, which of Line1 to Line4 shows activity, and one sentence saying whether lines come and,
// if not or too few, why.
class TriggerCheck : public QWidget
{
    Q_OBJECT

public:
    // interval: the mean time between samples; each is taken a little early or late.
    TriggerCheck(const FeatureAccess::FeatureList& features, const LineSource* source,
                 TriggerSampler::Bench bench, int interval, QWidget* parent = nullptr);

    const TriggerObservation& observation() const { return m_observation; }
    QString verdict() const;

private:
    void sample();
    void show();

    TriggerSampler m_sampler;
    TriggerObservation m_observation;
    QElapsedTimer m_clock;
    QTimer m_timer;
    int m_interval;
    int m_samples = 0;
    QLabel* m_verdict = nullptr;
    QLabel* m_encoder = nullptr;
    std::array<QLabel*, 5> m_lines{};
};
