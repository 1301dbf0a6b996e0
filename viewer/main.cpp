#include "CameraOpener.h"
#include "DemoRunner.h"
#include "MainWindow.h"
#include "ViewerCamera.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

#include <cstdio>
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
    // Installed, the plug-in folder lies beside bin/; in the build tree it is the build's own.
    const QString installedPlugins = QDir(QCoreApplication::applicationDirPath())
                                         .filePath(QStringLiteral(LINETRIGGER_INSTALLED_PLUGIN_DIR));
    const QCommandLineOption pluginDirOption(
        QStringLiteral("plugin-dir"), QStringLiteral("Folder to load the plug-in from."),
        QStringLiteral("folder"),
        QDir(installedPlugins).exists() ? QDir::cleanPath(installedPlugins)
                                        : QStringLiteral(LINETRIGGER_BUILD_PLUGIN_DIR));
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
        if (!CameraOpener::hasGenicam()) {
            std::fprintf(stderr, "This viewer was built without Aravis: it cannot list GenICam cameras.\n");
            return 2;
        }
        const std::vector<std::string> cameras = CameraOpener::listGenicamCameras();
        for (const std::string& camera : cameras)
            std::printf("aravis:%s\n", camera.c_str());
        if (cameras.empty())
            std::printf("No GenICam camera found.\n");
        return 0;
    }

    bool versionOk = false;
    const uint hostVersion = parser.value(hostVersionOption).toUInt(&versionOk);
    if (!versionOk) {
        std::fprintf(stderr, "--host-version takes a whole number from 0 to 4294967295, not \"%s\"\n",
                     qPrintable(parser.value(hostVersionOption)));
        return 2;
    }

    CameraOpener::Options options;
    options.synchronousNotifications = parser.isSet(syncOption);
    QString error;
    std::unique_ptr<ViewerCamera> camera = CameraOpener::open(parser.value(cameraOption), options, &error);
    if (!camera) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    std::fprintf(stderr, "Opened %s\n", qPrintable(camera->source()));

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
