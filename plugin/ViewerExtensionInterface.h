#pragma once

#include "HostApi.h"

#include <QObject>

class PlugInHostBaseInterface;

// The host loads each extension as a Qt plug-in and reaches it through qobject_cast.
class HOST_API_TYPE ViewerExtensionInterface : public QObject
{
public:
    using QObject::QObject;

    virtual bool initialize(PlugInHostBaseInterface* host) = 0;
    virtual bool deinitialize(PlugInHostBaseInterface* host) = 0;
    virtual bool extensionHook1(void* /*argument*/ = nullptr) { return true; }
    virtual bool extensionHook2(void* /*argument*/ = nullptr) { return true; }
};

#define ViewerExtensionInterface_iid "com.brennholtlabs.Plugin.ViewerExtensionInterface/1.0"
Q_DECLARE_INTERFACE(ViewerExtensionInterface, ViewerExtensionInterface_iid)
