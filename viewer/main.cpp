#include "AcquisitionReport.h"
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

namespace {

// The viewer's command line.
struct Options
{
    QCommandLineOption list{
        QStringLiteral("list-cameras"),
        QStringLiteral("List the GigE Vision and USB3 Vision cameras Aravis finds, then exit.")};
    QCommandLineOption camera{
        QStringLiteral("camera"),
        QStringLiteral("The camera: a JSON file describing a variant of the simulated camera; "
                       "\"aravis:<device id>\" for a GigE Vision or USB3 Vision camera (an Aravis device "
                       "id, serial number or IP address); or \"genicam-fake\" for Aravis's in-process fake "
                       "camera running the TL-4K description."),
        QStringLiteral("camera")};
    QCommandLineOption pluginDir{QStringLiteral("plugin-dir"),
                                 QStringLiteral("Folder to load the plug-in from."),
                                 QStringLiteral("folder")};
    QCommandLineOption notifyThread{
        QStringLiteral("notify-thread"),
        QStringLiteral(
            "Deliver change notifications from the SDK's own thread, as a real SDK does (default).")};
    QCommandLineOption sync{QStringLiteral("sync-notify"),
                            QStringLiteral("Deliver change notifications on the writing thread instead.")};
    QCommandLineOption hostVersion{QStringLiteral("host-version"),
                                   QStringLiteral("Host interface version to report (default 2)."),
                                   QStringLiteral("n"), QStringLiteral("2")};
    QCommandLineOption screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Save the window once the page has been shown and refreshed, then exit."),
        QStringLiteral("file")};
    QCommandLineOption demo{
        QStringLiteral("demo"),
        QStringLiteral("Run the scripted demo, saving screenshots into the folder, then exit."),
        QStringLiteral("folder")};
    QCommandLineOption report{
        QStringLiteral("report-acquisition"),
        QStringLiteral(
            "Start acquisition, run it for that many seconds, print one JSON object of what came "
            "(frames, lines, missed triggers, dropped frames, the encoder, the trigger check's verdict, "
            "the GUI's longest stall), then exit."),
        QStringLiteral("seconds")};

    void addTo(QCommandLineParser& parser, const QString& defaultPluginDir)
    {
        pluginDir.setDefaultValue(defaultPluginDir);
        parser.setApplicationDescription(QStringLiteral(
            "Runs the Line Trigger plug-in page on a simulated line-scan camera, on Aravis's fake "
            "camera or on a real GenICam camera."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions(
            {list, camera, pluginDir, notifyThread, sync, hostVersion, screenshot, demo, report});
    }
};

QString defaultPluginDir()
{
    // Installed, the plug-in folder lies beside bin/; in the build tree it is the build's own.
    const QString installed = QDir(QCoreApplication::applicationDirPath())
                                  .filePath(QStringLiteral(LINETRIGGER_INSTALLED_PLUGIN_DIR));
    return QDir(installed).exists() ? QDir::cleanPath(installed)
                                    : QStringLiteral(LINETRIGGER_BUILD_PLUGIN_DIR);
}

int listCameras()
{
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

// Saves the window once the page has been shown and refreshed, then ends the viewer.
void saveScreenshotSoon(MainWindow& window, const QString& path)
{
    // The page refreshes once on show and then every second: wait for the first tick.
    QTimer::singleShot(1500, &window, [&window, path] {
        const bool saved = window.grab().save(path);
        std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
        QApplication::exit(saved ? 0 : 1);
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("linetrigger-viewer"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    Options options;
    options.addTo(parser, defaultPluginDir());
    parser.process(application);
    if (parser.isSet(options.list))
        return listCameras();

    bool versionOk = false;
    const uint hostVersion = parser.value(options.hostVersion).toUInt(&versionOk);
    if (!versionOk) {
        std::fprintf(stderr, "--host-version takes a whole number from 0 to 4294967295, not \"%s\"\n",
                     qPrintable(parser.value(options.hostVersion)));
        return 2;
    }

    bool secondsOk = false;
    const double reportSeconds = parser.value(options.report).toDouble(&secondsOk);
    if (parser.isSet(options.report) && (!secondsOk || !(reportSeconds > 0.0) || reportSeconds > 86400.0)) {
        std::fprintf(stderr,
                     "--report-acquisition takes a number of seconds above 0, at most 86400, not \"%s\"\n",
                     qPrintable(parser.value(options.report)));
        return 2;
    }

    CameraOpener::Options opening;
    opening.synchronousNotifications = parser.isSet(options.sync);
    QString error;
    std::unique_ptr<ViewerCamera> camera = CameraOpener::open(parser.value(options.camera), opening, &error);
    if (!camera) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    std::fprintf(stderr, "Opened %s\n", qPrintable(camera->source()));

    MainWindow window(std::move(camera), hostVersion);
    window.show();
    window.loadExtension(parser.value(options.pluginDir));

    if (parser.isSet(options.screenshot)) {
        saveScreenshotSoon(window, parser.value(options.screenshot));
    } else if (parser.isSet(options.report)) {
        auto* report = new AcquisitionReport(window, reportSeconds, &window);
        QObject::connect(report, &AcquisitionReport::finished, &application,
                         [](int code) { QApplication::exit(code); });
        report->start();
    } else if (parser.isSet(options.demo)) {
        auto* demo = new DemoRunner(&window, parser.value(options.demo), &window);
        QObject::connect(demo, &DemoRunner::finished, &application,
                         [](int code) { QApplication::exit(code); });
        demo->start();
    }
    return application.exec();
}
