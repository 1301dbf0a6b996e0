#pragma once

#include "CameraDevice.h"
#include "Installation.h"
#include "LinkStatus.h"
#include "TriggerSample.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QWidget;

// The camera the viewer runs on, whichever backend: its features for the plug-in, and what the
// viewer's panels and log need, as Qt signals that reach the GUI thread queued. The GUI thread
// never waits on the camera here: the trigger check's figures arrive as samples.
class ViewerCamera : public QObject
{
    Q_OBJECT

public:
    explicit ViewerCamera(std::shared_ptr<CameraDevice> device, QObject* parent = nullptr);
    ~ViewerCamera() override;

    std::vector<std::shared_ptr<Tovrik::Feature>> features() const;
    // What was opened, and how its changes reach the plug-in, for the device tab.
    QString source() const;
    // Model and serial number, for what is kept about this camera; empty when it did not say.
    QString identity() const;
    QString notifications() const;
    LinkStatus status() const;
    // The status for people.
    QString connection() const;
    QString describe(const LinkStatus& status) const;
    bool inControl() const { return status().writable(); }
    // Look only: every write refused, control of a GigE Vision camera given back; or write again.
    void setLookOnly(bool lookOnly);
    // Writes as another tool would, beside the plug-in; 0 or the camera's status.
    int writeAsAnotherTool(const QString& feature, const QString& value);
    // The camera's stream of lines; null when it has none.
    LineSource* lineSource() const;
    // Starts (or, with 0, stops) the trigger check's samples, about every interval.
    void sample(std::chrono::milliseconds interval);
    CameraDevice& device() const { return *m_device; }
    // For work on another thread that may outlive this object.
    std::shared_ptr<CameraDevice> sharedDevice() const { return m_device; }

    // What only some cameras have: the simulated camera's panel of features and its bench, and
    // the installation's figures where the camera knows them. Null or empty for the others.
    virtual QWidget* createCameraPanel(QWidget* parent);
    virtual QWidget* createBenchPanel(QWidget* parent);
    virtual std::optional<Installation> installation() const;
    // The camera's journal of writes, one line each, where it keeps one (the simulated camera).
    virtual QString journal() const;

signals:
    // A write through a feature handle failed; selection is "Selector=Entry" when known.
    void writeFailed(const QString& feature, const QString& selection, const QString& value, int status);
    // The camera was lost, came back, or control changed hands.
    void statusChanged(const LinkStatus& status);
    void sampled(const TriggerSample& sample);

private:
    const std::shared_ptr<CameraDevice> m_device;
};

Q_DECLARE_METATYPE(LinkStatus)
Q_DECLARE_METATYPE(TriggerSample)
