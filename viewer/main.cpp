#include "DemoRunner.h"
#include "MainWindow.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("linetrigger-viewer"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the Line Trigger plug-in page on a simulated line-scan camera."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption cameraOption(QStringLiteral("camera"),
                                          QStringLiteral("JSON description of a camera variant."),
                                          QStringLiteral("file"));
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
    parser.addOptions({cameraOption, pluginDirOption, notifyThreadOption, syncOption, hostVersionOption,
                       screenshotOption, demoOption});
    parser.process(application);

    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    QString cameraSource = QStringLiteral("built-in simulated line-scan camera");
    if (parser.isSet(cameraOption)) {
        QFile file(parser.value(cameraOption));
        QString error;
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "Cannot read %s: %s\n", qPrintable(file.fileName()),
                         qPrintable(file.errorString()));
            return 2;
        }
        if (!builder.applyJson(file.readAll(), &error)) {
            std::fprintf(stderr, "%s is not a usable camera description: %s\n", qPrintable(file.fileName()),
                         qPrintable(error));
            return 2;
        }
        cameraSource = QStringLiteral("simulated, from %1").arg(QDir::toNativeSeparators(file.fileName()));
    }
    builder.setNotifyMode(parser.isSet(syncOption) ? SimNotifyMode::Synchronous : SimNotifyMode::Thread);
    bool versionOk = false;
    const uint hostVersion = parser.value(hostVersionOption).toUInt(&versionOk);
    if (!versionOk) {
        std::fprintf(stderr, "--host-version needs a whole number\n");
        return 2;
    }

    MainWindow window(builder.build(), hostVersion, cameraSource);
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
