#include "CameraPanel.h"
#if LINETRIGGER_WITH_ARAVIS
#include "GenicamCamera.h"
#include "GenicamViewerCamera.h"
#endif
#include "LogPanel.h"
#include "MainWindow.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "TestHost.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString pluginDirectory = QStringLiteral(LINETRIGGER_PLUGIN_DIR);

std::shared_ptr<SimCamera> threadCamera(const std::string& serial = "40123-0042")
{
    return SimCameraBuilder::lineScanCamera()
        .setInitial("DeviceSerialNumber", serial)
        .setNotifyMode(SimNotifyMode::Thread)
        .build();
}

bool logContains(const MainWindow& window, const QString& part)
{
    for (const QString& message : window.logPanel()->messages()) {
        if (message.contains(part))
            return true;
    }
    return false;
}

} // namespace

TEST(Viewer, LoadsThePluginAndShowsItsTabAfterTheDeviceTab)
{
    MainWindow window(threadCamera(), 2, "test camera");
    window.show();
    ASSERT_TRUE(window.loadExtension(pluginDirectory));
    QTabWidget* tabs = window.acquisitionControl();
    EXPECT_EQ(tabs->objectName(), "Acquisition Control");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "Device");
    EXPECT_EQ(tabs->tabText(1), "Line Trigger");
    EXPECT_TRUE(window.statusBar()->currentMessage().contains("installed"));
}

TEST(Viewer, ValueChangedInTheCameraPanelReachesThePageAtTheNextTick)
{
    auto camera = threadCamera();
    MainWindow window(camera, 2, "test camera");
    window.show();
    ASSERT_TRUE(window.loadExtension(pluginDirectory));
    QWidget* page = window.acquisitionControl()->widget(1);
    auto* direction = page->findChild<QComboBox*>("cb_EncoderDirection");
    ASSERT_NE(direction, nullptr);
    EXPECT_EQ(direction->currentText(), "Clockwise");

    EXPECT_EQ(window.cameraPanel()->writeValue("LineInverter", "true"), 0);
    camera->waitForNotifications();
    QCoreApplication::processEvents(); // the queued notification
    EXPECT_EQ(direction->currentText(), "Clockwise");
    QMetaObject::invokeMethod(page, "updateTimer"); // the next tick
    EXPECT_EQ(direction->currentText(), "Counter-Clockwise");
    EXPECT_TRUE(window.cameraPanel()->journalText().contains(
        "LineInverter [LineSelector=Line1] = true   by another tool"));

    window.cameraPanel()->writeValue("MasterSlaveMode", "Slave");
    camera->waitForNotifications();
    QCoreApplication::processEvents();
    QMetaObject::invokeMethod(page, "updateTimer");
    EXPECT_TRUE(page->findChild<QWidget*>("gb_LTUnavailable")->isVisible());
}

TEST(Viewer, RefusalsAreLoggedAndShownNeverFatal)
{
    {
        MainWindow window(threadCamera(), 2, "test camera");
        EXPECT_FALSE(window.loadExtension("/nonexistent/plugins"));
        EXPECT_TRUE(logContains(window, "does not exist"));
        EXPECT_TRUE(window.statusBar()->currentMessage().contains("does not exist"));
    }
    {
        QTemporaryDir directory;
        QFile::copy(QStringLiteral(TOVRIK_LIBRARY_PATH), directory.filePath("libTovrik.so"));
        MainWindow window(threadCamera(), 2, "test camera");
        EXPECT_FALSE(window.loadExtension(directory.path()));
        EXPECT_TRUE(logContains(window, "libTovrik.so could not be loaded"));
        EXPECT_TRUE(logContains(window, "No viewer extension found"));
    }
    {
        MainWindow window(threadCamera(), 1, "test camera");
        EXPECT_FALSE(window.loadExtension(pluginDirectory));
        EXPECT_TRUE(logContains(window, "Host-Interface version mismatched."));
        EXPECT_TRUE(logContains(window, "host interface version 1 offered"));
        EXPECT_EQ(window.acquisitionControl()->count(), 1);
    }
    {
        MainWindow window(threadCamera("39000-1"), 2, "test camera");
        EXPECT_FALSE(window.loadExtension(pluginDirectory));
        EXPECT_TRUE(logContains(window, "declined to install its page"));
        EXPECT_EQ(window.acquisitionControl()->count(), 1);
    }
}

TEST(Viewer, ScreenshotOptionWritesAPngOfTheWholeWindow)
{
    QTemporaryDir directory;
    const QString path = directory.filePath("viewer.png");
    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    viewer.setProcessEnvironment(environment);
    viewer.start(QStringLiteral(LINETRIGGER_VIEWER_PATH), {"--screenshot", path});
    ASSERT_TRUE(viewer.waitForFinished(30000));
    EXPECT_EQ(viewer.exitCode(), 0) << viewer.readAllStandardError().toStdString();
    const QImage image(path);
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 1200);
    EXPECT_GE(image.height(), 800);
}

TEST(Viewer, BadCameraDescriptionIsRefusedWithAReason)
{
    QTemporaryDir directory;
    QFile file(directory.filePath("camera.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{ broken");
    file.close();
    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    viewer.setProcessEnvironment(environment);
    viewer.start(QStringLiteral(LINETRIGGER_VIEWER_PATH), {"--camera", file.fileName()});
    ASSERT_TRUE(viewer.waitForFinished(30000));
    EXPECT_EQ(viewer.exitCode(), 2);
    EXPECT_TRUE(viewer.readAllStandardError().contains("camera.json: line 1, column"));
}

#if LINETRIGGER_WITH_ARAVIS
TEST(Viewer, GenicamFakeCameraRunsThePageAndShowsWhatWasOpened)
{
    std::string error;
    auto camera = GenicamCamera::openFake("40123-0042", &error);
    ASSERT_TRUE(camera) << error;
    MainWindow window(std::make_unique<GenicamViewerCamera>(camera), 2);
    window.show();
    ASSERT_TRUE(window.loadExtension(pluginDirectory));
    EXPECT_EQ(window.cameraPanel(), nullptr); // that panel is the simulated camera's

    QStringList deviceTab;
    for (QLabel* label : window.acquisitionControl()->widget(0)->findChildren<QLabel*>())
        deviceTab << label->text();
    EXPECT_TRUE(deviceTab.contains("Tovrik Imaging"));
    EXPECT_TRUE(deviceTab.contains("40123-0042"));
    EXPECT_TRUE(deviceTab.filter("Aravis in-process fake camera").size() == 1)
        << deviceTab.join('|').toStdString();
    EXPECT_TRUE(deviceTab.filter("polled").size() == 1);

    // Another tool makes it a slave: polling finds it, the page shows the notice at its next tick.
    QWidget* page = window.acquisitionControl()->widget(1);
    EXPECT_EQ(window.camera().writeAsAnotherTool("MasterSlaveMode", "Slave"), 0);
    camera->pollNow();
    QCoreApplication::processEvents();
    QMetaObject::invokeMethod(page, "updateTimer");
    EXPECT_TRUE(page->findChild<QWidget*>("gb_LTUnavailable")->isVisible());
    EXPECT_EQ(window.camera().writeAsAnotherTool("MasterSlaveMode", "Boss"), -120);
}

TEST(Viewer, CameraOptionOpensGenicamCamerasOrSaysWhyNot)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    {
        QTemporaryDir directory;
        QProcess viewer;
        viewer.setProcessEnvironment(environment);
        viewer.start(QStringLiteral(LINETRIGGER_VIEWER_PATH),
                     {"--camera", "genicam-fake", "--screenshot", directory.filePath("fake.png")});
        ASSERT_TRUE(viewer.waitForFinished(30000));
        EXPECT_EQ(viewer.exitCode(), 0) << viewer.readAllStandardError().toStdString();
        EXPECT_FALSE(QImage(directory.filePath("fake.png")).isNull());
    }
    {
        QProcess viewer;
        viewer.setProcessEnvironment(environment);
        // A loopback address nothing answers on: the attempt stays on this machine.
        viewer.start(QStringLiteral(LINETRIGGER_VIEWER_PATH), {"--camera", "aravis:127.0.0.254"});
        ASSERT_TRUE(viewer.waitForFinished(30000));
        EXPECT_EQ(viewer.exitCode(), 2);
        EXPECT_TRUE(viewer.readAllStandardError().contains("Cannot open aravis:127.0.0.254"));
    }
}
#endif
