#include "BasePluginWidget.h"

#include "FeatureAccess.h"
#include "PlugInHostBaseInterface.h"
#include "PlugInHostLogRecord.h"
#include "PluginFeatureObserver.h"
#include "PluginLogger.h"
#include "TovrikFeature.h"

#include <QMutexLocker>

namespace {

// The 44 blanks are part of the text the pages have always carried.
const char disabledStyleSheet[] =
    "QPushButton:disabled, QLineEdit:disabled, QComboBox:disabled, QDoubleSpinBox:disabled,"
    "                                            "
    "QSpinBox:disabled, QwtSlider:disabled, QGroupBox:disabled, QLabel:disabled { color: gray }";

void logWarning(const QString& text)
{
    const PluginLogger& logger = PluginLogger::instance();
    if (logger.logMessage)
        logger.logMessage(PlugInHostLogLevel::Warning, text);
}

} // namespace

BasePluginWidget::BasePluginWidget(const std::vector<std::shared_ptr<Tovrik::Feature>>& features,
                                   PlugInHostBaseInterface& host, QWidget* parent)
    : QWidget(parent), m_updateTimer(this), m_mutex(QMutex::Recursive), m_host(host)
{
    PluginLogger& logger = PluginLogger::instance();
    logger.logMessage = [this](PlugInHostLogLevel level, const QString& text) {
        m_host.log(level, text);
    };
    logger.logDetails = [this](PlugInHostLogLevel level, const QString& message, const QString& details) {
        m_host.logRecord(PlugInHostLogRecord{level, message, details});
    };
    logger.owner = this;

    m_features = features;
    m_featureAccess = std::make_unique<FeatureAccess>(features);

    auto observer = std::make_shared<PluginFeatureObserver>();
    m_observer = observer;
    const auto pluginObserver = std::dynamic_pointer_cast<PluginFeatureObserver>(m_observer);
    connect(pluginObserver.get(), &PluginFeatureObserver::setChangedFeature, this,
            &BasePluginWidget::OnFeatureChanged, Qt::AutoConnection);

    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(QString::fromUtf8(disabledStyleSheet));
    connect(&m_updateTimer, &QTimer::timeout, this, &BasePluginWidget::updateTimer, Qt::AutoConnection);
}

BasePluginWidget::~BasePluginWidget()
{
    unregisterObservers();
    m_observer.reset();
    PluginLogger& logger = PluginLogger::instance();
    if (logger.owner == this) {
        logger.logMessage = nullptr;
        logger.logDetails = nullptr;
        logger.owner = nullptr;
    }
}

bool BasePluginWidget::hasObservedFeature() const
{
    if (m_observedFeatures.isEmpty())
        return true;
    for (const QString& name : m_observedFeatures) {
        if (m_featureAccess->hasFeature(name))
            return true;
    }
    return false;
}

void BasePluginWidget::updateEnabledState(QWidget* widget,
                                          QString featureName) // NOLINT(performance-unnecessary-value-param)
{
    if (widget->isEnabled() && !m_featureAccess->isFeatureWritable(featureName)) {
        widget->setEnabled(false);
        return;
    }
    if (widget->isEnabled())
        return;
    if (m_featureAccess->isFeatureWritable(featureName))
        widget->setEnabled(true);
}

void BasePluginWidget::updateTimer()
{
    // Changes the SDK reports while the observer is detached here are not seen.
    unregisterObservers();
    QMutexLocker locker(&m_mutex);
    runHandleChangedFeatures();
    registerObservers(false);
    m_changedFeatures.clear();
}

void BasePluginWidget::showEvent(QShowEvent* /*event*/)
{
    m_updateTimer.start(1000);
    registerObservers(true);
    QMutexLocker locker(&m_mutex);
    runHandleChangedFeatures();
}

void BasePluginWidget::runHandleChangedFeatures()
{
    // Last line of defence: this runs inside Qt's event delivery, where no exception may pass.
    try {
        handleChangedFeatures();
    } catch (const std::exception& exception) {
        logError(QString::fromUtf8(exception.what()));
    }
}

void BasePluginWidget::hideEvent(QHideEvent* /*event*/)
{
    m_updateTimer.stop();
    m_changedFeatures.clear();
    unregisterObservers();
}

void BasePluginWidget::registerObservers(bool markAllChanged)
{
    forEachObservedFeature(QStringLiteral("Could not get features! List was empty."),
                           QStringLiteral("Failed to register observer! Could not get name of feature!"),
                           [&](const std::shared_ptr<Tovrik::Feature>& feature, const QString& name) {
                               feature->registerObserver(m_observer);
                               if (markAllChanged)
                                   m_changedFeatures.append(name);
                           });
}

void BasePluginWidget::unregisterObservers()
{
    forEachObservedFeature(QStringLiteral("Could not get features. List was empty!"),
                           QStringLiteral("Failed to unregister observer! Could not get name of feature!"),
                           [&](const std::shared_ptr<Tovrik::Feature>& feature, const QString&) {
                               feature->unregisterObserver(m_observer);
                           });
}

template <typename Action>
void BasePluginWidget::forEachObservedFeature(const QString& emptyListMessage, const QString& unnamedMessage,
                                              Action action)
{
    // A copy: the walk must not depend on the list staying put while the SDK is called.
    const auto features = m_features;
    if (features.empty()) {
        logWarning(emptyListMessage);
        return;
    }
    for (const auto& feature : features) {
        std::string name;
        if (!feature || feature->getName(name) != 0) {
            logWarning(unnamedMessage);
            continue;
        }
        const QString featureName = QString::fromStdString(name);
        if (m_observedFeatures.contains(featureName))
            action(feature, featureName);
    }
}

void BasePluginWidget::OnFeatureChanged(const QString& name)
{
    QMutexLocker locker(&m_mutex);
    if (!m_changedFeatures.contains(name))
        m_changedFeatures.append(name);
}
