#pragma once

#include "TovrikFeatureObserverInterface.h"

#include <QObject>
#include <QString>

Q_DECLARE_INTERFACE(Tovrik::FeatureObserverInterface, "IFeatureObserver")

// Turns the SDK's change callbacks, made on any thread, into a Qt signal. Owned only through
// std::shared_ptr, shared with the SDK, which may release its copies after the page is gone.
class PluginFeatureObserver : public QObject, public Tovrik::FeatureObserverInterface
{
    Q_OBJECT
    Q_INTERFACES(Tovrik::FeatureObserverInterface)

public:
    PluginFeatureObserver();

    // Runs on the SDK's thread: touches no shared state, only emits.
    void featureUpdated(std::shared_ptr<Tovrik::Feature>& feature) override;

signals:
    void setChangedFeature(QString featureName);
};
