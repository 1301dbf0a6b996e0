#pragma once

#include "CircleTarget.h"
#include "TriggerObservation.h"
#include "TriggerSampler.h"

#include <QElapsedTimer>
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
    // What the circles in view measured: empty when none was found. forgetImage(): nothing measured
    // yet (a new start).
    void setImageMeasurement(const std::optional<CircleTarget::Measurement>& measurement);
    void forgetImage();
    const TriggerObservation& observation() const { return m_observation; }
    // The sentence for the observation now.
    QString verdict() const;

private:
    void observe();
    void show();

    TriggerSampler m_sampler;
    TriggerObservation m_observation;
    QLabel* m_verdict = nullptr;
    QLabel* m_encoder = nullptr;
    QLabel* m_belt = nullptr;
    QLabel* m_installation = nullptr;
    bool m_entered = false; // the installation's figures are the operator's
    QLabel* m_image = nullptr;
    bool m_imageMeasured = false;
    std::optional<CircleTarget::Measurement> m_imageMeasurement;
    // Circles pass the view now and then: the last found holds a while, as long as the settings do.
    QElapsedTimer m_imageAge;
    std::optional<TriggerSettings> m_imageSettings;
    std::array<QLabel*, 5> m_lines{};
};
