#pragma once

#include "PlugInHostLogLevel.h"

#include <functional>

class QString;

// Process-wide callables through which the framework classes report to the host. Each page
// construction points them at its host; users call them only when set.
class PluginLogger
{
public:
    static PluginLogger& instance();

    std::function<void(PlugInHostLogLevel, const QString&)> logMessage;
    std::function<void(PlugInHostLogLevel, const QString&, const QString&)> logDetails;
    // The page whose host the callables reach, so that only that page clears them.
    const void* owner = nullptr;

private:
    PluginLogger() = default;
};

// Reports a failure (level 0) through the logger, or drops it when no page installed one.
void logError(const QString& text);
