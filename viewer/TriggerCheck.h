#pragma once

#include "TriggerObservation.h"
#include "TriggerSampler.h"

#include <QWidget>

#include <array>

class QLabel;

// The trigger check beside the live view: the encoder's position, direction and counts per
// second, which of Line1 to Line4 shows activity, and one sentence saying whether lines come and,
// if not or too few, why. It only takes the samples the camera's backend measured on its own
// thread: it never waits on the camera.
class TriggerCheck : public QWidget
{
    Q_OBJECT

public:
    explicit TriggerCheck(QWidget* parent = nullptr);

    void add(const TriggerSample& sample);
    // The operator's figures of the installation; empty: the camera's own, where it knows them.
    void setInstallation(const std::optional<Installation>& installation);
    const TriggerObservation& observation() const { return m_observation; }
    // The sentence for the observation now.
    QString verdict() const;

private:
    void show();

    TriggerSampler m_sampler;
    TriggerObservation m_observation;
    QLabel* m_verdict = nullptr;
    QLabel* m_encoder = nullptr;
    QLabel* m_belt = nullptr;
    QLabel* m_installation = nullptr;
    bool m_entered = false; // the installation's figures are the operator's
    std::array<QLabel*, 5> m_lines{};
};
