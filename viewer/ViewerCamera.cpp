#include "ViewerCamera.h"

#include <utility>

ViewerCamera::ViewerCamera(std::shared_ptr<CameraDevice> device, QObject* parent)
    : QObject(parent), m_device(std::move(device))
{
    qRegisterMetaType<LinkStatus>();
    qRegisterMetaType<TriggerSample>();
    // All three run on a thread of the backend's: the signals reach the GUI queued.
    m_device->setStatusListener([this](const LinkStatus& status) { emit statusChanged(status); });
    m_device->setWriteFailureListener([this](const CameraDevice::WriteFailure& failure) {
        emit writeFailed(QString::fromStdString(failure.feature), QString::fromStdString(failure.selection),
                         QString::fromStdString(failure.value), failure.status);
    });
}

ViewerCamera::~ViewerCamera()
{
    // Clearing waits for a call in progress: no listener runs on this object afterwards.
    m_device->setSampleListener(nullptr, std::chrono::milliseconds(0));
    m_device->setStatusListener(nullptr);
    m_device->setWriteFailureListener(nullptr);
}

std::vector<std::shared_ptr<Tovrik::Feature>> ViewerCamera::features() const
{
    return m_device->features();
}

QString ViewerCamera::identity() const
{
    return QString::fromStdString(m_device->identity());
}

QString ViewerCamera::source() const
{
    return QString::fromStdString(m_device->summary());
}

QString ViewerCamera::notifications() const
{
    return QString::fromStdString(m_device->notifications());
}

LinkStatus ViewerCamera::status() const
{
    return m_device->status();
}

QString ViewerCamera::connection() const
{
    return describe(status());
}

QString ViewerCamera::describe(const LinkStatus& status) const
{
    return QString::fromStdString(m_device->describe(status));
}

void ViewerCamera::setLookOnly(bool lookOnly)
{
    m_device->setLookOnly(lookOnly);
}

int ViewerCamera::writeAsAnotherTool(const QString& feature, const QString& value)
{
    return m_device->writeAsAnotherTool(feature.toStdString(), value.toStdString());
}

LineSource* ViewerCamera::lineSource() const
{
    return m_device->lineSource();
}

void ViewerCamera::sample(std::chrono::milliseconds interval)
{
    if (interval.count() <= 0) {
        m_device->setSampleListener(nullptr, interval);
        return;
    }
    m_device->setSampleListener([this](const TriggerSample& sample) { emit sampled(sample); }, interval);
}

QWidget* ViewerCamera::createCameraPanel(QWidget*)
{
    return nullptr;
}

QWidget* ViewerCamera::createBenchPanel(QWidget*)
{
    return nullptr;
}

std::optional<Installation> ViewerCamera::installation() const
{
    return std::nullopt;
}

QString ViewerCamera::journal() const
{
    return QString();
}
