#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace Tovrik {
class Feature;
}
class LineSource;
class SimCamera;

// The camera the viewer runs on: its features for the plug-in, and what the viewer's own panels
// and log need to know about the backend behind them. Signals may be emitted on any thread.
class ViewerCamera : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual std::vector<std::shared_ptr<Tovrik::Feature>> features() const = 0;
    // What was opened, and how its changes reach the plug-in, for the device tab.
    virtual QString source() const = 0;
    virtual QString notifications() const = 0;
    // Whether the camera answers and may be written to, for people; inControl says whether the
    // viewer may write to it at all.
    virtual QString connection() const = 0;
    virtual bool inControl() const { return true; }
    // Writes as another tool would, beside the plug-in; 0 or the camera's status.
    virtual int writeAsAnotherTool(const QString& feature, const QString& value) = 0;
    // The camera's stream of lines; null when it has none.
    virtual LineSource* lineSource() const = 0;
    // The simulated camera behind the features, null for any other backend.
    virtual std::shared_ptr<SimCamera> simCamera() const { return nullptr; }

signals:
    // A write through a feature handle failed; selection is "Selector=Entry" when known.
    void writeFailed(const QString& feature, const QString& selection, const QString& value, int status);
    // The camera was lost (lost true), came back, or control changed hands; message says which.
    void connectionChanged(bool lost, const QString& message);
};
