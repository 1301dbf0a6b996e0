#pragma once

#include "FeatureAccess.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QRadioButton;
class QSpinBox;

// The arithmetic of square pixels: from the size of a pixel on the object, the encoder's
// resolution and wheel (or its pulses per mm) and how the camera counts, the pulses per line to
// enter on the page, and the fastest belt the camera can follow at its exposure. It only shows:
// it never writes the camera.
class Calculator : public QWidget
{
    Q_OBJECT

public:
    struct Inputs
    {
        double pixelSize = 0.1;
        double pulsesPerRevolution = 1000;
        double wheelCircumference = 100.0;
    };

    Calculator(const FeatureAccess::FeatureList& features, QWidget* parent = nullptr);

    void setInputs(const Inputs& inputs);
    // What it shows, for people and tests: the pulses per line, then the fastest belt.
    QString pulsesPerLine() const;
    QString fastestBelt() const;

private:
    void calculate();

    FeatureAccess m_access;
    QDoubleSpinBox* m_pixelSize = nullptr;
    QRadioButton* m_byWheel = nullptr;
    QSpinBox* m_pulses = nullptr;
    QDoubleSpinBox* m_wheel = nullptr;
    QDoubleSpinBox* m_pulsesPerMm = nullptr;
    QComboBox* m_counting = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_belt = nullptr;
    QTimer m_timer; // the exposure may change on the page
};
