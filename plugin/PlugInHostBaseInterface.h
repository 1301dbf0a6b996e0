#pragma once

#include "HostApi.h"
#include "PlugInHostLogLevel.h"

#include <cstdint>

class QString;
struct PlugInHostLogRecord;

class HOST_API_TYPE PlugInHostBaseInterface
{
public:
    virtual ~PlugInHostBaseInterface() = default;

    // 2 or higher: the object is also a PlugInHostInterface2.
    virtual uint32_t getInterfaceVersion() const = 0;
    virtual void log(PlugInHostLogLevel level, const QString& message) = 0;
    virtual void logRecord(const PlugInHostLogRecord& record) = 0;
};
