#pragma once

#include "ViewerCamera.h"

// The built-in simulated camera, or a variant of it.
class SimViewerCamera final : public ViewerCamera
{
public:
    SimViewerCamera(std::shared_ptr<SimCamera> camera, const QString& source, QObject* parent = nullptr);
    ~SimViewerCamera() override;

    std::vector<std::shared_ptr<Tovrik::Feature>> features() const override;
    QString source() const override { return m_source; }
    QString notifications() const override;
    QString connection() const override;
    int writeAsAnotherTool(const QString& feature, const QString& value) override;
    std::shared_ptr<SimCamera> simCamera() const override { return m_camera; }
    LineSource* lineSource() const override;

private:
    std::shared_ptr<SimCamera> m_camera;
    QString m_source;
};
