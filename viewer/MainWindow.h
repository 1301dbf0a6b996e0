#pragma once

#include <QMainWindow>
#include <QPointer>

#include <memory>

class AcquisitionPanel;
class CameraPanel;
class LogPanel;
class QLabel;
class QPluginLoader;
class QTabWidget;
class SimCamera;
class ViewerExtensionInterface;
class ViewerCamera;
class ViewerHost;

// The viewer: an "Acquisition Control" tab widget that extensions add pages to, the host log and
// the simulated camera's panel when the camera is simulated.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(std::unique_ptr<ViewerCamera> camera, uint32_t hostInterfaceVersion,
               QWidget* parent = nullptr);
    MainWindow(std::shared_ptr<SimCamera> camera, uint32_t hostInterfaceVersion, const QString& cameraSource,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Loads the first viewer extension found in directory and initializes it; false on any refusal,
    // which is logged and shown on the status bar.
    bool loadExtension(const QString& directory);
    void unloadExtension();

    QTabWidget* acquisitionControl() const { return m_tabs; }
    LogPanel* logPanel() const { return m_logPanel; }
    // Null unless the camera is the simulated one.
    CameraPanel* cameraPanel() const { return m_cameraPanel; }
    AcquisitionPanel* acquisition() const { return m_acquisition; }
    QTabWidget* sideTabs() const { return m_sideTabs; }
    ViewerCamera& camera() const { return *m_camera; }
    ViewerHost* host() const { return m_host; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* createDeviceTab();
    void refuse(const QString& reason);
    QString hostSideOfRefusal() const;
    void logRefusedWrite(const QString& feature, const QString& selection, const QString& value, int status);
    void showConnection(bool lost, const QString& message);

    std::unique_ptr<ViewerCamera> m_camera;
    ViewerHost* m_host = nullptr;
    QTabWidget* m_tabs = nullptr;
    LogPanel* m_logPanel = nullptr;
    CameraPanel* m_cameraPanel = nullptr;
    AcquisitionPanel* m_acquisition = nullptr;
    QTabWidget* m_sideTabs = nullptr;
    QWidget* m_pageParent = nullptr;
    QLabel* m_connection = nullptr;
    bool m_cameraLost = false;
    std::unique_ptr<QPluginLoader> m_loader;
    QPointer<QObject> m_extensionObject;
    ViewerExtensionInterface* m_extension = nullptr;
};
