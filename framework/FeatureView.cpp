#include "FeatureView.h"

#include "FeatureAccess.h"
#include "PluginLogger.h"
#include "TovrikFeature.h"

#include <QLabel>
#include <QSizePolicy>
#include <QWidget>

namespace {

void setVisibleReleasingSpace(QWidget* widget, bool visible)
{
    widget->setVisible(visible);
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(false);
    widget->setSizePolicy(policy);
}

QString toolTipRow(const QString& label, const QString& value)
{
    return QStringLiteral("<tr><td width=\"100\">") + label + QStringLiteral("</td><td>") + value +
           QStringLiteral("</td></tr>");
}

} // namespace

FeatureView::FeatureView(QWidget* widget, FeatureAccess* featureAccess, const QString& featureName,
                         const std::vector<QWidget*>& companions, bool alwaysDisabled,
                         bool hideWhenUnavailable)
    : m_widget(widget), m_featureAccess(featureAccess), m_featureName(featureName),
      m_alwaysDisabled(alwaysDisabled), m_companions(companions), m_hideWhenUnavailable(hideWhenUnavailable)
{
    if (!m_featureAccess->hasFeature(m_featureName))
        setVisibleWithCompanions(false);
}

void FeatureView::setup()
{
    bool disable = false;
    if (m_alwaysDisabled)
        disable = true;
    else if (m_enableCondition)
        disable = !m_enableCondition();
    else
        disable = !checkAvailable();
    m_widget->setDisabled(disable);
    if (!checkAvailable())
        return;
    updateToolTip();
    initRange();
}

void FeatureView::refresh()
{
    try {
        setup();
        updateValue();
        updateVisibility();
        if (m_hintWidget) {
            QString hint;
            try {
                const bool available = m_featureAccess->hasFeature(m_featureName) &&
                                       m_featureAccess->isFeatureAvailable(m_featureName);
                hint = available ? m_availableText : m_unavailableText;
            } catch (const std::exception&) {
                hint.clear();
            }
            if (!hint.isEmpty()) {
                if (auto* label = qobject_cast<QLabel*>(m_hintWidget))
                    label->setText(hint);
                else
                    m_hintWidget->setToolTip(hint);
                if (!m_hintWidget->isVisible())
                    m_hintWidget->show();
            } else if (m_hintWidget->isVisible()) {
                m_hintWidget->hide();
            }
        }
    } catch (const std::exception& exception) {
        logError(QString::fromUtf8(exception.what()));
    }
}

void FeatureView::setDisabled(bool disabled)
{
    m_widget->setDisabled(disabled);
}

bool FeatureView::checkAvailable()
{
    try {
        return m_featureAccess->isFeatureAvailable(m_featureName);
    } catch (const std::exception& exception) {
        logError(QString::fromLatin1(exception.what()));
        return false;
    }
}

void FeatureView::updateVisibility()
{
    if (m_hideWhenUnavailable) {
        if (m_widget->isVisible() && !m_featureAccess->isFeatureAvailable(m_featureName))
            setVisibleWithCompanions(false);
        if (!m_widget->isVisible() && m_featureAccess->isFeatureAvailable(m_featureName))
            setVisibleWithCompanions(true);
        return;
    }
    if (!m_widget->isEnabled() && m_featureAccess->isFeatureAvailable(m_featureName))
        setEnabledWithCompanions(true);
    if (m_widget->isEnabled() && !m_featureAccess->isFeatureAvailable(m_featureName))
        setEnabledWithCompanions(false);
}

void FeatureView::updateToolTip()
{
    QString text = QStringLiteral("<table>");
    text += toolTipRow(QStringLiteral("<b>Info:</b>"), m_featureAccess->getFeatureInfo(m_featureName));
    text += toolTipRow(QStringLiteral("<b>Feature name:</b>"), m_featureName);
    try {
        const int type = m_featureAccess->getFeatureType(m_featureName);
        if (type == Tovrik::FeatureTypeInteger || type == Tovrik::FeatureTypeFloat) {
            double min = 0.0;
            double max = 0.0;
            double increment = 0.0;
            m_featureAccess->getValueAndLimits(m_featureName, &min, &max, &increment);
            text += toolTipRow(QStringLiteral("<b>Min:</b>"), QString::number(min, 'g', 6));
            text += toolTipRow(QStringLiteral("<b>Max:</b>"), QString::number(max, 'g', 6));
            text += toolTipRow(QStringLiteral("<b>Increment:</b>"), QString::number(increment, 'g', 6));
        }
    } catch (const std::exception&) {
        // The rows built so far are still worth showing.
    }
    text += QStringLiteral("</table>");
    m_widget->setToolTip(text);
}

void FeatureView::setVisibleWithCompanions(bool visible)
{
    setVisibleReleasingSpace(m_widget, visible);
    for (QWidget* companion : m_companions)
        setVisibleReleasingSpace(companion, visible);
}

void FeatureView::setEnabledWithCompanions(bool enabled)
{
    m_widget->setEnabled(enabled);
    for (QWidget* companion : m_companions)
        companion->setEnabled(enabled);
}
