#pragma once

#include "Installation.h"

#include <QGroupBox>

#include <optional>

class QDoubleSpinBox;
class QRadioButton;
class QSpinBox;

// The installation's figures as the operator enters them: the pixel size on the object, and the
// encoder's resolution, by its pulses per revolution and its wheel or by its pulses per mm. A
// checkable editor can say the figures are not known (unchecked); the values it shows then are only
// a proposal.
class InstallationEditor : public QGroupBox
{
    Q_OBJECT

public:
    InstallationEditor(const QString& title, bool checkable, QWidget* parent = nullptr);

    // Neither emits edited().
    void setFigures(const Installation& figures);
    void setKnown(bool known);
    Installation figures() const;
    // The figures, where the operator says they are known.
    std::optional<Installation> known() const;

signals:
    // The operator changed a figure, or whether they are known.
    void edited();

private:
    void showChoice();

    QDoubleSpinBox* m_pixelSize = nullptr;
    QRadioButton* m_byWheel = nullptr;
    QRadioButton* m_byMm = nullptr;
    QSpinBox* m_pulses = nullptr;
    QDoubleSpinBox* m_wheel = nullptr;
    QDoubleSpinBox* m_pulsesPerMm = nullptr;
};
