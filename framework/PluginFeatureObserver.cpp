#include "PluginFeatureObserver.h"

#include "TovrikFeature.h"

#include <string>

PluginFeatureObserver::PluginFeatureObserver() : QObject(nullptr) {}

void PluginFeatureObserver::featureUpdated(std::shared_ptr<Tovrik::Feature>& feature)
{
    if (!feature)
        return;
    std::string name;
    feature->getName(name); // on failure the name stays empty
    emit setChangedFeature(QString::fromStdString(name));
}
