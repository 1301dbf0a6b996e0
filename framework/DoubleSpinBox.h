#pragma once

#include "FeatureView.h"

#include <QMetaObject>

class QDoubleSpinBox;

// A QDoubleSpinBox bound to a numeric feature: range, step and value come from the camera, and
// the operator's edits are written back and corrected by the value the camera reads back.
class DoubleSpinBox final : public FeatureView
{
public:
    DoubleSpinBox(QDoubleSpinBox* spinBox, FeatureAccess* featureAccess, const QString& featureName,
                  const std::vector<QWidget*>& companions, bool alwaysDisabled, double defaultStep,
                  int scaleExponent);
    ~DoubleSpinBox();
    DoubleSpinBox(const DoubleSpinBox&) = delete;
    DoubleSpinBox& operator=(const DoubleSpinBox&) = delete;

    void initRange() override;
    void updateValue() override;

private:
    void onValueChanged(double shown);
    double scale() const;

    QDoubleSpinBox* m_spinBox;
    double m_defaultStep;
    int m_scaleExponent;
    // The spin box may outlive this view; the connection must not.
    QMetaObject::Connection m_valueConnection;
};
