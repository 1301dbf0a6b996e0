#pragma once

#include "CommissioningReport.h"
#include "LinkStatus.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class AcquisitionPanel;
class LogPanel;
class QLabel;
class QPluginLoader;
class QTabWidget;
class SettingsMenu;
class ViewerExtensionInterface;
class ViewerCamera;
class ViewerHost;

// The viewer: an "Acquisition Control" tab widget that extensions add pages to, the host log, the
// live view and, when the camera has one, the panel of its features (the simulated camera's).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(std::unique_ptr<ViewerCamera> camera, uint32_t hostInterfaceVersion,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Loads the first viewer extension found in directory and initializes it; false on any refusal,
    // which is logged and shown on the status bar.
    bool loadExtension(const QString& directory);
    void unloadExtension();

    QTabWidget* acquisitionControl() const { return m_tabs; }
    LogPanel* logPanel() const { return m_logPanel; }
    // Null unless the camera has a panel of its features (the simulated one).
    QWidget* cameraPanel() const { return m_cameraPanel; }
    AcquisitionPanel* acquisition() const { return m_acquisition; }
    QTabWidget* sideTabs() const { return m_sideTabs; }
    ViewerCamera& camera() const { return *m_camera; }
    ViewerHost* host() const { return m_host; }
    // Reads the camera's settings on a pooled thread, then writes the report with them; done gets
    // empty or why it was not written. The contents' settings are the camera's, not the caller's.
    void writeCommissioningReport(const QString& path, CommissioningReport::Contents contents,
                                  std::function<void(const QString& problem)> done);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* createDeviceTab();
    void createMenus();
    void fitScreen();
    void refuse(const QString& reason);
    QString hostSideOfRefusal() const;
    void logRefusedWrite(const QString& feature, const QString& selection, const QString& value, int status);
    void showStatus(const LinkStatus& status);

    std::unique_ptr<ViewerCamera> m_camera;
    ViewerHost* m_host = nullptr;
    QTabWidget* m_tabs = nullptr;
    LogPanel* m_logPanel = nullptr;
    QWidget* m_cameraPanel = nullptr;
    AcquisitionPanel* m_acquisition = nullptr;
    QTabWidget* m_sideTabs = nullptr;
    SettingsMenu* m_settings = nullptr;
    QWidget* m_pageParent = nullptr;
    QLabel* m_connection = nullptr;
    LinkStatus m_status;
    std::unique_ptr<QPluginLoader> m_loader;
    QPointer<QObject> m_extensionObject;
    ViewerExtensionInterface* m_extension = nullptr;
};
