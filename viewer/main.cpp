#include "AcquisitionPanel.h"
#include "AcquisitionReport.h"
#include "CameraOpener.h"
#include "DemoRunner.h"
#include "MainWindow.h"
#include "SettingsSnapshot.h"
#include "ViewerCamera.h"
#include "ViewerLog.h"
#include "ViewerOptions.h"

#include <QApplication>
#include <QImageWriter>
#include <QSaveFile>
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

// --save-settings and --apply-settings: no window, one line per refused write, then the status.
int runSettings(const ViewerCamera& camera, const ViewerOptions& options)
{
    int status = 0;
    if (options.applySettings) {
        const SettingsSnapshot::Outcome outcome = options.applySettings->apply(camera.device());
        for (const SettingsSnapshot::Refusal& refusal : outcome.refused)
            std::fprintf(stderr, "refused: %s%s = %s: %s\n", qPrintable(refusal.feature),
                         refusal.entry.isEmpty() ? ""
                                                 : qPrintable(QStringLiteral(" (%1)").arg(refusal.entry)),
                         qPrintable(refusal.value), qPrintable(refusal.reason));
        std::printf("applied: %d values written, %d already so, %zu refused\n", outcome.written,
                    outcome.unchanged, outcome.refused.size());
        status = outcome.refused.empty() ? 0 : 1;
    }
    if (!options.saveSettings.isEmpty()) {
        const SettingsSnapshot snapshot = SettingsSnapshot::take(camera.device());
        QSaveFile file(options.saveSettings);
        if (!file.open(QIODevice::WriteOnly) || file.write(snapshot.toJson()) < 0 || !file.commit()) {
            std::fprintf(stderr, "--save-settings: cannot save %s: %s\n", qPrintable(options.saveSettings),
                         qPrintable(file.errorString()));
            return 2;
        }
        std::printf("saved: %zu features of %s to %s\n", snapshot.features().size(),
                    qPrintable(camera.source()), qPrintable(options.saveSettings));
    }
    return status;
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
    if (options.lookOnly)
        camera->setLookOnly(true);
    if (!options.saveSettings.isEmpty() || options.applySettings)
        return runSettings(*camera, options);

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
        report->setImagePath(options.saveImage);
        report->setCommissioningReportPath(options.commissioningReport);
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
