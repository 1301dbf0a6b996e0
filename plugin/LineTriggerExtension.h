#pragma once

#include "ViewerExtensionInterface.h"

class LineTriggerWidget;
class PlugInHostInterface2;

// The plug-in's one extension object: the host initializes it once after loading the library.
class LineTriggerExtension : public ViewerExtensionInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.brennholtlabs.Plugin.LineTriggerExtension/1.0")
    Q_INTERFACES(ViewerExtensionInterface)

public:
    explicit LineTriggerExtension(QObject* parent = nullptr);

    bool initialize(PlugInHostBaseInterface* host) override;
    bool deinitialize(PlugInHostBaseInterface* host) override;

private:
    bool installPage(PlugInHostInterface2* host2, PlugInHostBaseInterface& host);

    PlugInHostInterface2* m_host2 = nullptr;
    // Owned by its Qt parent (the host's tab widget once added); deleted here only in deinitialize.
    LineTriggerWidget* m_page = nullptr;
};
