#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace Tovrik {
class Feature;
}
class GenicamCamera;
class SimCamera;

// The camera the viewer was started on: its features for the plug-in, and the backend behind them
// for the viewer's own panels. Exactly one backend is set.
class ViewerCamera
{
public:
    static ViewerCamera simulated(std::shared_ptr<SimCamera> camera, const QString& source);
    static ViewerCamera genicam(std::shared_ptr<GenicamCamera> camera);

    std::vector<std::shared_ptr<Tovrik::Feature>> features() const;
    std::shared_ptr<SimCamera> simCamera() const { return m_sim; }
    std::shared_ptr<GenicamCamera> genicamCamera() const { return m_genicam; }
    // What was opened, and how its changes reach the plug-in, for the device tab.
    QString source() const { return m_source; }
    QString notifications() const;
    // Writes as another tool would, beside the plug-in; 0 or the camera's status.
    int writeAsAnotherTool(const QString& feature, const QString& value) const;

private:
    std::shared_ptr<SimCamera> m_sim;
    std::shared_ptr<GenicamCamera> m_genicam;
    QString m_source;
};
