#include "GenicamViewerCamera.h"

#include "GenicamCamera.h"

#include <utility>

GenicamViewerCamera::GenicamViewerCamera(std::shared_ptr<GenicamCamera> camera, QObject* parent)
    : ViewerCamera(parent), m_camera(std::move(camera))
{}

std::vector<std::shared_ptr<Tovrik::Feature>> GenicamViewerCamera::features() const
{
    return m_camera->features();
}

QString GenicamViewerCamera::source() const
{
    return QString::fromStdString(m_camera->summary());
}

QString GenicamViewerCamera::notifications() const
{
    return tr("polled by the Aravis worker thread, 4 times a second and after writes");
}

int GenicamViewerCamera::writeAsAnotherTool(const QString& feature, const QString& value)
{
    return m_camera->writeSettings({{feature.toStdString(), value.toStdString()}});
}
