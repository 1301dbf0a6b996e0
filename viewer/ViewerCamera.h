#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace Tovrik {
class Feature;
}
class SimCamera;

// The camera the viewer runs on: its features for the plug-in, and what the viewer's own panels
// need to know about the backend behind them.
class ViewerCamera : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual std::vector<std::shared_ptr<Tovrik::Feature>> features() const = 0;
    // What was opened, and how its changes reach the plug-in, for the device tab.
    virtual QString source() const = 0;
    virtual QString notifications() const = 0;
    // Writes as another tool would, beside the plug-in; 0 or the camera's status.
    virtual int writeAsAnotherTool(const QString& feature, const QString& value) = 0;
    // The simulated camera behind the features, null for any other backend.
    virtual std::shared_ptr<SimCamera> simCamera() const { return nullptr; }
};
