#include "LineTriggerExtension.h"

#include "PlugInHostInterface2.h"

#include <QString>

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
    // The page arrives with the page installation; until then there is nothing to offer.
    return false;
}

bool LineTriggerExtension::deinitialize(PlugInHostBaseInterface* /*host*/)
{
    return true;
}
