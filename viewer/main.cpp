#include "DemoRunner.h"
#include "GenicamCamera.h"
#include "MainWindow.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <utility>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("linetrigger-viewer"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the Line Trigger plug-in page on a simulated line-scan camera, on Aravis's fake "
                       "camera or on a real GenICam camera."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption cameraOption(
        QStringLiteral("camera"),
        QStringLiteral("The camera: a JSON file describing a variant of the simulated camera; "
                       "\"aravis:<device id>\" for a GigE Vision or USB3 Vision camera (an Aravis device "
                       "id, serial number or IP address); or \"genicam-fake\" for Aravis's in-process fake "
                       "camera running the TL-4K description."),
        QStringLiteral("camera"));
    const QCommandLineOption pluginDirOption(
        QStringLiteral("plugin-dir"), QStringLiteral("Folder to load the plug-in from."),
        QStringLiteral("folder"), QStringLiteral(LINETRIGGER_DEFAULT_PLUGIN_DIR));
    const QCommandLineOption notifyThreadOption(
        QStringLiteral("notify-thread"),
        QStringLiteral(
            "Deliver change notifications from the SDK's own thread, as a real SDK does (default)."));
    const QCommandLineOption syncOption(
        QStringLiteral("sync-notify"),
        QStringLiteral("Deliver change notifications on the writing thread instead."));
    const QCommandLineOption hostVersionOption(
        QStringLiteral("host-version"), QStringLiteral("Host interface version to report (default 2)."),
        QStringLiteral("n"), QStringLiteral("2"));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Save the window once the page has been shown and refreshed, then exit."),
        QStringLiteral("file"));
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        QStringLiteral("Run the scripted demo, saving screenshots into the folder, then exit."),
        QStringLiteral("folder"));
    const QCommandLineOption listOption(
        QStringLiteral("list-cameras"),
        QStringLiteral("List the GigE Vision and USB3 Vision cameras Aravis finds, then exit."));
    parser.addOptions({listOption, cameraOption, pluginDirOption, notifyThreadOption, syncOption,
                       hostVersionOption, screenshotOption, demoOption});
    parser.process(application);

    if (parser.isSet(listOption)) {
        const std::vector<std::string> cameras = GenicamCamera::listCameras();
        for (const std::string& camera : cameras)
            std::printf("aravis:%s\n", camera.c_str());
        if (cameras.empty())
            std::printf("No GenICam camera found.\n");
        return 0;
    }

    const QString cameraChoice = parser.value(cameraOption);
    ViewerCamera camera;
    if (cameraChoice == QLatin1String("genicam-fake") || cameraChoice.startsWith(QLatin1String("aravis:"))) {
        std::string error;
        const bool fake = cameraChoice == QLatin1String("genicam-fake");
        const std::string deviceId = cameraChoice.mid(int(std::strlen("aravis:"))).toStdString();
        auto genicam =
            fake ? GenicamCamera::openFake("40123-0042", &error) : GenicamCamera::open(deviceId, &error);
        if (!genicam) {
            std::fprintf(stderr, "Cannot open %s: %s\n", qPrintable(cameraChoice), error.c_str());
            return 2;
        }
        std::fprintf(stderr, "Opened %s\n", genicam->summary().c_str());
        camera = ViewerCamera::genicam(std::move(genicam));
    } else {
        SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
        QString cameraSource = QStringLiteral("built-in simulated line-scan camera");
        if (!cameraChoice.isEmpty()) {
            QFile file(cameraChoice);
            QString error;
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "Cannot read %s: %s\n", qPrintable(file.fileName()),
                             qPrintable(file.errorString()));
                return 2;
            }
            if (!builder.applyJson(file.readAll(), &error)) {
                std::fprintf(stderr, "%s is not a usable camera description: %s\n",
                             qPrintable(file.fileName()), qPrintable(error));
                return 2;
            }
            cameraSource =
                QStringLiteral("simulated, from %1").arg(QDir::toNativeSeparators(file.fileName()));
        }
        builder.setNotifyMode(parser.isSet(syncOption) ? SimNotifyMode::Synchronous : SimNotifyMode::Thread);
        camera = ViewerCamera::simulated(builder.build(), cameraSource);
    }
    bool versionOk = false;
    const uint hostVersion = parser.value(hostVersionOption).toUInt(&versionOk);
    if (!versionOk) {
        std::fprintf(stderr, "--host-version needs a whole number\n");
        return 2;
    }

    MainWindow window(std::move(camera), hostVersion);
    window.show();
    window.loadExtension(parser.value(pluginDirOption));

    if (parser.isSet(screenshotOption)) {
        const QString path = parser.value(screenshotOption);
        // The page refreshes once on show and then every second: wait for the first tick.
        QTimer::singleShot(1500, &window, [&window, path] {
            const bool saved = window.grab().save(path);
            std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
            QApplication::exit(saved ? 0 : 1);
        });
    } else if (parser.isSet(demoOption)) {
        auto* demo = new DemoRunner(&window, parser.value(demoOption), &window);
        QObject::connect(demo, &DemoRunner::finished, &application,
                         [](int code) { QApplication::exit(code); });
        demo->start();
    }
    return application.exec();
}
