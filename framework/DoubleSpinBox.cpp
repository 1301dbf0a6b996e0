#include "DoubleSpinBox.h"

#include "FeatureAccess.h"
#include "PluginLogger.h"

#include <QDoubleSpinBox>
#include <QSignalBlocker>

#include <cmath>

DoubleSpinBox::DoubleSpinBox(QDoubleSpinBox* spinBox, FeatureAccess* featureAccess,
                             const QString& featureName, const std::vector<QWidget*>& companions,
                             bool alwaysDisabled, double defaultStep, int scaleExponent)
    : FeatureView(spinBox, featureAccess, featureName, companions, alwaysDisabled, true), m_spinBox(spinBox),
      m_defaultStep(defaultStep), m_scaleExponent(scaleExponent)
{
    m_spinBox->setKeyboardTracking(false);
    m_valueConnection = QObject::connect(m_spinBox, qOverload<double>(&QDoubleSpinBox::valueChanged),
                                         m_spinBox, [this](double shown) { onValueChanged(shown); });
}

DoubleSpinBox::~DoubleSpinBox()
{
    QObject::disconnect(m_valueConnection);
}

void DoubleSpinBox::initRange()
{
    const QSignalBlocker blocker(m_spinBox);
    try {
        double min = 0.0;
        double max = 0.0;
        double increment = 0.0;
        const double value = m_featureAccess->getValueAndLimits(m_featureName, &min, &max, &increment);
        const double s = scale();
        m_spinBox->setMinimum(s * min);
        m_spinBox->setMaximum(s * max);
        m_spinBox->setSingleStep(increment > 0.0 ? increment : s * m_defaultStep);
        // updateValue, which follows in refresh, shows the exact value.
        m_spinBox->setValue(s * std::trunc(value));
    } catch (const std::exception& exception) {
        logError(QStringLiteral("Failed to init feature UI element: ") + m_featureName +
                 QStringLiteral(" Err: ") + QString::fromUtf8(exception.what()));
    }
}

void DoubleSpinBox::updateValue()
{
    try {
        m_spinBox->setEnabled(m_featureAccess->isFeatureWritable(m_featureName));
        // Not blocked: without focus, onValueChanged writes nothing.
        m_spinBox->setValue(scale() * m_featureAccess->getValueAsDouble(m_featureName));
    } catch (const std::exception& exception) {
        logError(QStringLiteral("Failed to update value of feature UI element: ") + m_featureName +
                 QStringLiteral(" Err: ") + QString::fromUtf8(exception.what()));
    }
}

void DoubleSpinBox::onValueChanged(double shown)
{
    if (!m_spinBox->hasFocus())
        return;
    const double value = shown / scale();
    try {
        const double readBack = m_featureAccess->setValueAsDouble(m_featureName, value);
        if (readBack == value)
            return;
    } catch (const std::exception& exception) {
        logError(QStringLiteral("Failed to set value to feature: ") + m_featureName +
                 QStringLiteral(" Value: ") + QString::number(value, 'g', 6) + QStringLiteral(" Err: ") +
                 QString::fromUtf8(exception.what()));
    }
    try {
        // Signals stay live: while the box has focus the camera's value is written once more.
        m_spinBox->setValue(scale() * m_featureAccess->getValueAsDouble(m_featureName));
    } catch (const std::exception& exception) {
        logError(QStringLiteral("AGAIN Failed to set value to feature: ") + m_featureName +
                 QStringLiteral(" Value: ") + QString::number(value, 'g', 6) + QStringLiteral(" Err: ") +
                 QString::fromUtf8(exception.what()));
    }
}

double DoubleSpinBox::scale() const
{
    return std::pow(10.0, m_scaleExponent);
}
