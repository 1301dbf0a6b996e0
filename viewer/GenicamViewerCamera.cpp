#include "GenicamViewerCamera.h"

#include "GenicamCamera.h"

#include <utility>

GenicamViewerCamera::GenicamViewerCamera(std::shared_ptr<GenicamCamera> camera, QObject* parent)
    : ViewerCamera(parent), m_camera(std::move(camera))
{
    // Both run on the camera's worker or the writing thread: the signals reach the GUI queued.
    m_camera->setLinkListener([this](GenicamCamera::Link link, const std::string& reason) {
        emit connectionChanged(link == GenicamCamera::Link::Lost,
                               describe(link, QString::fromStdString(reason)));
    });
    m_camera->setWriteListener([this](const GenicamWorker::WriteFailure& failure) {
        emit writeFailed(QString::fromStdString(failure.feature), QString::fromStdString(failure.selection),
                         QString::fromStdString(failure.value), failure.status);
    });
}

GenicamViewerCamera::~GenicamViewerCamera()
{
    // Clearing waits for a call in progress: neither listener runs on this object afterwards.
    m_camera->setLinkListener(nullptr);
    m_camera->setWriteListener(nullptr);
}

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
    return tr("polled by the Aravis worker thread once a second, after quiet writes");
}

QString GenicamViewerCamera::connection() const
{
    return describe(m_camera->link(), QString::fromStdString(m_camera->linkReason()));
}

bool GenicamViewerCamera::inControl() const
{
    return m_camera->link() == GenicamCamera::Link::Connected;
}

int GenicamViewerCamera::writeAsAnotherTool(const QString& feature, const QString& value)
{
    return m_camera->writeSettings({{feature.toStdString(), value.toStdString()}});
}

QString GenicamViewerCamera::describe(GenicamCamera::Link link, const QString& reason)
{
    switch (link) {
    case GenicamCamera::Link::Connected:
        return reason.isEmpty() ? tr("connected, in control") : tr("connected, in control (%1)").arg(reason);
    case GenicamCamera::Link::Monitoring:
        return tr("monitoring only (%1): writes are refused").arg(reason);
    case GenicamCamera::Link::Stopped:
        return tr("closed");
    case GenicamCamera::Link::Lost:
        break;
    }
    return tr("lost (%1), reopening in the background").arg(reason);
}

LineSource* GenicamViewerCamera::lineSource() const
{
    return &m_camera->lineSource();
}
