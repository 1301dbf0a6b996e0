#include "AcquisitionPanel.h"
#include "AcquisitionReport.h"
#include "CameraOpener.h"
#include "DemoRunner.h"
#include "MainWindow.h"
#include "ViewerCamera.h"
#include "ViewerLog.h"
#include "ViewerOptions.h"

#include <QApplication>
#include <QImageWriter>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>
#include <utility>

namespace {

std::atomic<int> endingSignal{0};

extern "C" void noteSignal(int signal)
{
    endingSignal = signal;
}

// SIGTERM and SIGINT close the viewer as its window's close button does: acquisition stopped,
// control of the camera given back, threads joined. The handler only notes the signal; the GUI
// thread looks for it.
void closeOnSignals(MainWindow& window)
{
    std::signal(SIGTERM, noteSignal);
    std::signal(SIGINT, noteSignal);
    auto* watch = new QTimer(&window);
    QObject::connect(watch, &QTimer::timeout, &window, [&window] {
        if (const int signal = endingSignal.load()) {
            qCInfo(lcViewer, "Closing on signal %d", signal);
            window.close();
            QApplication::exit(128 + signal);
        }
    });
    watch->start(50);
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
        QImageWriter writer(path);
        if (writer.write(window.grab().toImage())) {
            std::printf("saved %s\n", qPrintable(path));
            QApplication::exit(0);
        } else {
            std::fprintf(stderr, "could not save %s: %s\n", qPrintable(path),
                         qPrintable(writer.errorString()));
            QApplication::exit(1);
        }
    });
}

void setNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("linetrigger-viewer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LINETRIGGER_VERSION));
}

} // namespace

int main(int argc, char** argv)
{
    ViewerOptions options;
    std::optional<CameraOpener::Prepared> prepared;
    {
        // The command line is read before the GUI exists: --help, --version and a bad option need
        // no display, and nothing is opened before every option is known to be usable.
        QCoreApplication reading(argc, argv);
        setNames();
        QString error;
        if (options.read(QCoreApplication::arguments(), &error))
            prepared = CameraOpener::prepare(options.camera, &error);
        if (!prepared) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 2;
        }
        if (options.listCameras)
            return listCameras();
    }

    QApplication application(argc, argv);
    setNames();
    CameraOpener::Options opening;
    opening.notifyThread = options.notifyThread;
    QString error;
    std::unique_ptr<ViewerCamera> camera = CameraOpener::open(*prepared, opening, &error);
    if (!camera) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    qCInfo(lcViewer, "Opened %s", qPrintable(camera->source()));

    MainWindow window(std::move(camera), options.hostVersion);
    closeOnSignals(window);
    window.show();
    window.loadExtension(options.pluginDir);
    if (options.installation)
        window.acquisition()->setInstallation(*options.installation);

    if (!options.screenshot.isEmpty()) {
        saveScreenshotSoon(window, options.screenshot);
    } else if (options.reportSeconds) {
        auto* report = new AcquisitionReport(window, *options.reportSeconds, &window);
        QObject::connect(report, &AcquisitionReport::finished, &application,
                         [](int code) { QApplication::exit(code); });
        report->start();
    } else if (!options.demo.isEmpty()) {
        auto* demo = new DemoRunner(&window, options.demo, &window);
        QObject::connect(demo, &DemoRunner::finished, &application,
                         [](int code) { QApplication::exit(code); });
        demo->start();
    }
    return application.exec();
}
