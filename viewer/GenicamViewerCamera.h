#pragma once

#include "GenicamCamera.h"
#include "ViewerCamera.h"

// A GenICam camera through Aravis: a real one, or Aravis's fake running our description.
class GenicamViewerCamera final : public ViewerCamera
{
public:
    explicit GenicamViewerCamera(std::shared_ptr<GenicamCamera> camera, QObject* parent = nullptr);
    ~GenicamViewerCamera() override;

    std::vector<std::shared_ptr<Tovrik::Feature>> features() const override;
    QString source() const override;
    QString notifications() const override;
    QString connection() const override;
    bool inControl() const override;
    int writeAsAnotherTool(const QString& feature, const QString& value) override;
    LineSource* lineSource() const override;

    GenicamCamera& camera() const { return *m_camera; }

private:
    static QString describe(GenicamCamera::Link link, const QString& reason);

    std::shared_ptr<GenicamCamera> m_camera;
};
