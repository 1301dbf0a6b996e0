#include "InstallationEditor.h"

#include <QButtonGroup>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

InstallationEditor::InstallationEditor(const QString& title, bool checkable, QWidget* parent)
    : QGroupBox(title, parent)
{
    setCheckable(checkable);
    auto* form = new QFormLayout(this);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    m_pixelSize = new QDoubleSpinBox(this);
    m_pixelSize->setObjectName(QStringLiteral("pixelSize"));
    m_pixelSize->setRange(0.001, 10.0);
    m_pixelSize->setDecimals(4);
    m_pixelSize->setSuffix(tr(" mm"));
    form->addRow(tr("Pixel size on the object:"), m_pixelSize);
    m_byWheel = new QRadioButton(tr("Pulses per revolution and wheel:"), this);
    m_byMm = new QRadioButton(tr("Pulses per mm:"), this);
    auto* group = new QButtonGroup(this);
    group->addButton(m_byWheel);
    group->addButton(m_byMm);
    m_byWheel->setChecked(true);
    m_pulses = new QSpinBox(this);
    m_pulses->setObjectName(QStringLiteral("pulsesPerRevolution"));
    m_pulses->setRange(1, 1000000);
    m_wheel = new QDoubleSpinBox(this);
    m_wheel->setObjectName(QStringLiteral("wheelCircumference"));
    m_wheel->setRange(1.0, 10000.0);
    m_wheel->setDecimals(2);
    m_wheel->setSuffix(tr(" mm"));
    auto* wheelRow = new QHBoxLayout;
    wheelRow->addWidget(m_pulses);
    wheelRow->addWidget(m_wheel);
    form->addRow(m_byWheel, wheelRow);
    m_pulsesPerMm = new QDoubleSpinBox(this);
    m_pulsesPerMm->setObjectName(QStringLiteral("pulsesPerMm"));
    m_pulsesPerMm->setRange(0.0001, 100000.0);
    m_pulsesPerMm->setDecimals(4);
    form->addRow(m_byMm, m_pulsesPerMm);
    setFigures(Installation());

    for (QDoubleSpinBox* box : {m_pixelSize, m_wheel, m_pulsesPerMm})
        connect(box, qOverload<double>(&QDoubleSpinBox::valueChanged), this, &InstallationEditor::edited);
    connect(m_pulses, qOverload<int>(&QSpinBox::valueChanged), this, &InstallationEditor::edited);
    connect(m_byWheel, &QRadioButton::toggled, this, [this] {
        showChoice();
        emit edited();
    });
    connect(this, &QGroupBox::toggled, this, &InstallationEditor::edited);
}

void InstallationEditor::setFigures(const Installation& figures)
{
    const QSignalBlocker blockers[] = {QSignalBlocker(m_pixelSize), QSignalBlocker(m_pulses),
                                       QSignalBlocker(m_wheel),     QSignalBlocker(m_pulsesPerMm),
                                       QSignalBlocker(m_byWheel),   QSignalBlocker(m_byMm)};
    m_pixelSize->setValue(figures.pixelSize);
    m_pulses->setValue(static_cast<int>(figures.pulsesPerRevolution));
    m_wheel->setValue(figures.wheelCircumference);
    m_pulsesPerMm->setValue(figures.pulsesPerMm());
    (figures.pulsesPerMmGiven > 0.0 ? m_byMm : m_byWheel)->setChecked(true);
    showChoice();
}

void InstallationEditor::setKnown(bool known)
{
    const QSignalBlocker blocker(this);
    setChecked(known);
}

Installation InstallationEditor::figures() const
{
    Installation figures;
    figures.pixelSize = m_pixelSize->value();
    figures.pulsesPerRevolution = m_pulses->value();
    figures.wheelCircumference = m_wheel->value();
    figures.pulsesPerMmGiven = m_byMm->isChecked() ? m_pulsesPerMm->value() : 0.0;
    return figures;
}

std::optional<Installation> InstallationEditor::known() const
{
    if (isCheckable() && !isChecked())
        return std::nullopt;
    return figures();
}

void InstallationEditor::showChoice()
{
    m_pulses->setEnabled(m_byWheel->isChecked());
    m_wheel->setEnabled(m_byWheel->isChecked());
    m_pulsesPerMm->setEnabled(m_byMm->isChecked());
}
