#pragma once

#include <QTimer>
#include <QWidget>

class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QSpinBox;
class SimAcquisition;

// The simulated camera's bench, as an integrator sets it up: the belt's speed and direction, the
// encoder, where its channels are wired, and the optics. Every change applies at once.
class BenchPanel : public QWidget
{
    Q_OBJECT

public:
    explicit BenchPanel(SimAcquisition& acquisition, QWidget* parent = nullptr);

    // The speed is also changed by the stop and reverse buttons.
    void setBeltSpeed(double mmPerSecond);

private:
    void apply();
    void createSpeedRows(QFormLayout* form);
    void showMetres();
    void showBench();

    SimAcquisition& m_acquisition;
    QDoubleSpinBox* m_speed = nullptr;
    QLabel* m_metres = nullptr; // the speed in m/min, as belts are often given
    QDoubleSpinBox* m_ripple = nullptr;
    QDoubleSpinBox* m_pixelSize = nullptr;
    QSpinBox* m_pulses = nullptr;
    QDoubleSpinBox* m_wheel = nullptr;
    QComboBox* m_output = nullptr;
    QComboBox* m_lineA = nullptr;
    QComboBox* m_lineB = nullptr;
    QLabel* m_problem = nullptr;
    QTimer m_timer; // others may change the bench too (a variant, the demo, tests)
};
