#include "PluginLogger.h"

#include <QString>

PluginLogger& PluginLogger::instance()
{
    static PluginLogger logger;
    return logger;
}

void logError(const QString& text)
{
    const PluginLogger& logger = PluginLogger::instance();
    if (logger.logMessage)
        logger.logMessage(PlugInHostLogLevel::Error, text);
}
