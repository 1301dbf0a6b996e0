#pragma once

#include "Installation.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

class InstallationEditor;
class QComboBox;
class QLabel;

// The arithmetic of square pixels: from the size of a pixel on the object, the encoder's
// resolution and wheel (or its pulses per mm) and how the camera counts, the pulses per line to
// enter on the page, and the fastest belt the camera can follow at its exposure (as the camera's
// last sample said). It only shows: it never writes the camera, nor asks it anything.
class Calculator : public QWidget
{
    Q_OBJECT

public:
    explicit Calculator(QWidget* parent = nullptr);

    void setInputs(const Installation& inputs);
    Installation inputs() const;
    // The camera's exposure and the top of its line rate, in µs and lines a second.
    void setCamera(double exposureUs, double topLineRate);
    // What it shows, for people and tests: the pulses per line, then the fastest belt.
    QString pulsesPerLine() const;
    QString fastestBelt() const;

signals:
    void inputsEdited();

private:
    void calculate();

    std::optional<std::pair<double, double>> m_camera; // exposure and top line rate
    InstallationEditor* m_inputs = nullptr;
    QComboBox* m_counting = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_belt = nullptr;
};
