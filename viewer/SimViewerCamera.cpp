#include "SimViewerCamera.h"

#include "SimAcquisition.h"
#include "SimCamera.h"

#include <utility>

SimViewerCamera::SimViewerCamera(std::shared_ptr<SimCamera> camera, const QString& source, QObject* parent)
    : ViewerCamera(parent), m_camera(std::move(camera)), m_source(source)
{
    m_camera->setWriteFailureListener([this](const SimJournalEntry& entry) {
        emit writeFailed(QString::fromStdString(entry.feature), QString::fromStdString(entry.selector),
                         QString::fromStdString(entry.value), entry.status);
    });
}

SimViewerCamera::~SimViewerCamera()
{
    // Clearing waits for a call in progress: the listener never runs on this object afterwards.
    m_camera->setWriteFailureListener(nullptr);
}

QString SimViewerCamera::connection() const
{
    return tr("connected (simulated)");
}

std::vector<std::shared_ptr<Tovrik::Feature>> SimViewerCamera::features() const
{
    return m_camera->features();
}

QString SimViewerCamera::notifications() const
{
    return m_camera->notifyMode() == SimNotifyMode::Thread ? tr("from the SDK's notification thread")
                                                           : tr("on the writing thread");
}

int SimViewerCamera::writeAsAnotherTool(const QString& feature, const QString& value)
{
    return m_camera->write(feature.toStdString(), value.toStdString());
}

LineSource* SimViewerCamera::lineSource() const
{
    return &m_camera->acquisition();
}
