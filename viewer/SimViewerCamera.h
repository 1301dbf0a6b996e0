#pragma once

#include "ViewerCamera.h"

#include <QString>

#include <memory>
#include <optional>

class SimCamera;
class SimCameraBuilder;
class SimDevice;

// The built-in simulated camera, or a variant of it: the one camera with a bench in front of it and
// a panel of all its features as another tool sees them.
class SimViewerCamera final : public ViewerCamera
{
public:
    SimViewerCamera(std::shared_ptr<SimCamera> camera, const QString& source, QObject* parent = nullptr);

    // The largest variant file read: far above any camera's description.
    static constexpr int maxVariantMiB = 16;
    static constexpr qint64 maxVariantBytes = qint64(maxVariantMiB) << 20;

    // A variant file read and checked into the simulated camera's description; null with the line
    // to show in error.
    static std::shared_ptr<SimCameraBuilder> prepare(const QString& variantFile, QString* error);
    // The camera described, running in real time; notifyThread overrides the variant's choice.
    static std::unique_ptr<ViewerCamera> open(const SimCameraBuilder& builder, const QString& variantFile,
                                              std::optional<bool> notifyThread);

    QWidget* createCameraPanel(QWidget* parent) override;
    QWidget* createBenchPanel(QWidget* parent) override;
    std::optional<Installation> installation() const override;
    QString journal() const override;

private:
    std::shared_ptr<SimCamera> m_camera;
};
