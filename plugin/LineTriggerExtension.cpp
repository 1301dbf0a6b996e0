#include "LineTriggerExtension.h"

#include "LineTriggerWidget.h"
#include "PlugInHostInterface2.h"
#include "SupportedCamera.h"

#include <QString>
#include <QTabWidget>

namespace {

std::vector<std::shared_ptr<Tovrik::Feature>> cameraFeatures(PlugInHostInterface2* host)
{
    const QVector<std::shared_ptr<Tovrik::Feature>> features = host->getFeatures(3);
    return std::vector<std::shared_ptr<Tovrik::Feature>>(features.begin(), features.end());
}

} // namespace

LineTriggerExtension::LineTriggerExtension(QObject* parent) : ViewerExtensionInterface(parent) {}

bool LineTriggerExtension::initialize(PlugInHostBaseInterface* host)
{
    if (!host)
        return false;
    if (host->getInterfaceVersion() < 2) {
        host->log(PlugInHostLogLevel::Warning, QStringLiteral("Host-Interface version mismatched."));
        return false;
    }
    m_host2 = dynamic_cast<PlugInHostInterface2*>(host);
    if (!m_host2)
        return false;
    return installPage(m_host2, *host);
}

bool LineTriggerExtension::deinitialize(PlugInHostBaseInterface* /*host*/)
{
    if (m_page) {
        delete m_page;
        m_page = nullptr;
    }
    return true;
}

bool LineTriggerExtension::installPage(PlugInHostInterface2* host2, PlugInHostBaseInterface& host)
{
    if (!isSupportedCamera(cameraFeatures(host2)))
        return false;
    QWidget* parent = host2->getWidget(QString());
    m_page = new LineTriggerWidget(cameraFeatures(host2), host, parent);
    if (!m_page->hasObservedFeature()) {
        deinitialize(&host);
        return false;
    }
    auto* tabs = qobject_cast<QTabWidget*>(host2->getWidget(QStringLiteral("Acquisition Control")));
    if (!tabs)
        return false;
    tabs->addTab(m_page, QStringLiteral("Line Trigger"));
    return true;
}
