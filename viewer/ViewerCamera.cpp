#include "ViewerCamera.h"

#include "GenicamCamera.h"
#include "SimCamera.h"
#include "TovrikStatus.h"

#include <QCoreApplication>

#include <utility>

ViewerCamera ViewerCamera::simulated(std::shared_ptr<SimCamera> camera, const QString& source)
{
    ViewerCamera result;
    result.m_sim = std::move(camera);
    result.m_source = source;
    return result;
}

ViewerCamera ViewerCamera::genicam(std::shared_ptr<GenicamCamera> camera)
{
    ViewerCamera result;
    result.m_source = QString::fromStdString(camera->summary());
    result.m_genicam = std::move(camera);
    return result;
}

std::vector<std::shared_ptr<Tovrik::Feature>> ViewerCamera::features() const
{
    if (m_sim)
        return m_sim->features();
    if (m_genicam)
        return m_genicam->features();
    return {};
}

QString ViewerCamera::notifications() const
{
    if (m_genicam)
        return QCoreApplication::translate(
            "ViewerCamera", "polled by the Aravis worker thread, 4 times a second and after writes");
    if (m_sim && m_sim->notifyMode() == SimNotifyMode::Thread)
        return QCoreApplication::translate("ViewerCamera", "from the SDK's notification thread");
    return QCoreApplication::translate("ViewerCamera", "on the writing thread");
}

int ViewerCamera::writeAsAnotherTool(const QString& feature, const QString& value) const
{
    if (m_sim)
        return m_sim->write(feature.toStdString(), value.toStdString());
    if (m_genicam)
        return m_genicam->writeSettings({{feature.toStdString(), value.toStdString()}});
    return Tovrik::Status::NotOpened;
}
