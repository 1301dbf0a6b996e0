#pragma once

#include "PlugInHostLogLevel.h"

#include <QString>

struct PlugInHostLogRecord
{
    PlugInHostLogLevel level = PlugInHostLogLevel::Info;
    QString message;
    QString details;
};
