#pragma once

#include <QString>

#include <functional>
#include <vector>

class FeatureAccess;
class QWidget;

// Binds one widget, and companions such as its label, to one camera feature: visibility or
// enabled state follow the feature's availability, and the widget's tool tip describes it.
class FeatureView
{
public:
    FeatureView(QWidget* widget, FeatureAccess* featureAccess, const QString& featureName,
                const std::vector<QWidget*>& companions, bool alwaysDisabled, bool hideWhenUnavailable);

    virtual void setup();
    virtual void refresh();
    virtual void initRange() = 0;
    virtual void updateValue() = 0;

    void setDisabled(bool disabled);

protected:
    // Owned through the concrete type only.
    ~FeatureView() = default;

    bool checkAvailable();
    void updateVisibility();
    void updateToolTip();
    void setVisibleWithCompanions(bool visible);
    void setEnabledWithCompanions(bool enabled);

    QWidget* m_widget;
    FeatureAccess* m_featureAccess;
    QString m_featureName;
    bool m_alwaysDisabled;
    QString m_availableText;
    QString m_unavailableText;
    std::function<bool()> m_enableCondition;
    std::vector<QWidget*> m_companions;
    bool m_hideWhenUnavailable;
    QWidget* m_hintWidget = nullptr;
};
