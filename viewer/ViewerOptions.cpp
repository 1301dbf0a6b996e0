#include "ViewerOptions.h"

#include "InstallationStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryFile>

namespace {

struct Parser
{
    QCommandLineParser parser;
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
        QStringLiteral("Deliver change notifications from the SDK's own thread, as a real SDK does "
                       "(default, unless the variant file says otherwise).")};
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

    QCommandLineOption installation{
        QStringLiteral("installation"),
        QStringLiteral("The installation's figures for the trigger check, for this run: a JSON object with "
                       "\"pixelSize\" (mm on the object) and \"encoder\": {\"pulsesPerRevolution\", "
                       "\"wheelCircumference\" (mm)} or {\"pulsesPerMm\"}."),
        QStringLiteral("file")};

    QCommandLineOption saveSettings{
        QStringLiteral("save-settings"),
        QStringLiteral("Save every readable feature of the camera with its value per selector entry, as a "
                       "camera variant file, then exit."),
        QStringLiteral("file")};
    QCommandLineOption applySettings{
        QStringLiteral("apply-settings"),
        QStringLiteral("Apply a settings snapshot to the camera, saying every write it refused, then exit "
                       "(status 1 when one was refused). With --save-settings, applied first."),
        QStringLiteral("file")};

    QCommandLineOption saveImage{
        QStringLiteral("save-image"),
        QStringLiteral(
            "With --report-acquisition: save the newest lines at full resolution (at most 4096) at "
            "the end, as PNG or TIFF by the file's extension, with the camera, the time, the trigger "
            "settings, lines per mm and the verdict in the file's text."),
        QStringLiteral("file")};
    QCommandLineOption commissioningReport{
        QStringLiteral("commissioning-report"),
        QStringLiteral("With --report-acquisition: write a PDF at the end with the picture of the lines, the "
                       "verdict, the installation figures, the trends, the intervals between lines and the "
                       "camera's settings."),
        QStringLiteral("file.pdf")};
    QCommandLineOption readOnly{
        QStringLiteral("read-only"),
        QStringLiteral("Look only: every write to the camera is refused (and said); a GigE Vision camera's "
                       "control is given back at once and never asked for.")};

    Parser()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Runs the Line Trigger plug-in page on a simulated line-scan camera, on Aravis's fake "
            "camera or on a real GenICam camera."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({list, camera, pluginDir, notifyThread, sync, hostVersion, screenshot, demo, report,
                           installation, saveSettings, applySettings, readOnly, saveImage,
                           commissioningReport});
        // Qt's own GUI options (-platform offscreen, -style fusion, ...) are the QApplication's.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        for (const char* name :
             {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowtitle",
              "qwindowicon", "display", "geometry", "style", "stylesheet", "session"}) {
            QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
            qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(qtOption);
        }
        for (const char* name : {"reverse", "widgetcount", "nograb", "dograb"}) {
            QCommandLineOption qtOption(QString::fromLatin1(name));
            qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(qtOption);
        }
    }
};

// The nearest folder above path that exists.
QFileInfo existingAncestor(const QString& path)
{
    QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    while (!info.exists() && !info.isRoot())
        info = QFileInfo(info.absolutePath());
    return info;
}

// Why no file can be made in folder; empty if one can.
QString unwritableFolder(const QString& folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("linetrigger-probe-XXXXXX")));
    return probe.open() ? QString() : QStringLiteral("%1: %2").arg(folder, probe.errorString());
}

// Notifications, host version and what the run does; the line to show, or empty.
QString readModes(const Parser& p, ViewerOptions& options)
{
    const QCommandLineParser& parser = p.parser;
    if (parser.isSet(p.sync) && parser.isSet(p.notifyThread))
        return QStringLiteral("--notify-thread and --sync-notify exclude each other: choose one");
    if (parser.isSet(p.sync))
        options.notifyThread = false;
    else if (parser.isSet(p.notifyThread))
        options.notifyThread = true;

    bool ok = false;
    options.hostVersion = parser.value(p.hostVersion).toUInt(&ok);
    if (!ok)
        return QStringLiteral("--host-version takes a whole number from 0 to 4294967295, not \"%1\"")
            .arg(parser.value(p.hostVersion));
    if (parser.isSet(p.report)) {
        const double seconds = parser.value(p.report).toDouble(&ok);
        if (!ok || !(seconds > 0.0) || seconds > 86400.0)
            return QStringLiteral("--report-acquisition takes a number of seconds above 0, at most 86400, "
                                  "not \"%1\"")
                .arg(parser.value(p.report));
        options.reportSeconds = seconds;
    }
    if (parser.isSet(p.installation)) {
        Installation figures;
        QString problem;
        if (!InstallationStore::readFile(parser.value(p.installation), &figures, &problem))
            return problem;
        options.installation = figures;
    }
    if (parser.isSet(p.applySettings)) {
        const QString path = parser.value(p.applySettings);
        QString problem;
        options.applySettings = SettingsSnapshot::readFile(path, &problem);
        if (!options.applySettings)
            return QStringLiteral("--apply-settings: %1: %2").arg(path, problem);
    }
    const bool settings = parser.isSet(p.saveSettings) || parser.isSet(p.applySettings);
    if (int(parser.isSet(p.screenshot)) + int(parser.isSet(p.demo)) + int(parser.isSet(p.report)) +
            int(settings) >
        1)
        return QStringLiteral(
            "--screenshot, --demo, --report-acquisition and the settings snapshots exclude each "
            "other: choose one");
    return QString();
}

// The plug-in folder and the files the run writes; the line to show, or empty.
QString checkTargets(const Parser& p, ViewerOptions& options)
{
    const QCommandLineParser& parser = p.parser;
    const bool given = parser.isSet(p.pluginDir);
    options.pluginDir = given ? parser.value(p.pluginDir) : ViewerOptions::defaultPluginDir();
    if (!QFileInfo(options.pluginDir).isDir()) {
        if (!given)
            return QStringLiteral("No plug-in folder at %1, beside the viewer: name one with --plugin-dir")
                .arg(QDir::toNativeSeparators(options.pluginDir));
        return QStringLiteral("--plugin-dir: %1 %2")
            .arg(options.pluginDir, QFileInfo::exists(options.pluginDir) ? QStringLiteral("is no folder")
                                                                         : QStringLiteral("does not exist"));
    }
    if (parser.isSet(p.screenshot)) {
        const QString problem = ViewerOptions::imageTargetProblem(options.screenshot);
        if (!problem.isEmpty())
            return QStringLiteral("--screenshot: cannot save %1: %2").arg(options.screenshot, problem);
    }
    if (parser.isSet(p.saveImage)) {
        options.saveImage = parser.value(p.saveImage);
        if (!parser.isSet(p.report))
            return QStringLiteral(
                "--save-image goes with --report-acquisition: the lines are saved at its end");
        const QString suffix = QFileInfo(options.saveImage).suffix().toLower();
        if (suffix != QLatin1String("png") && suffix != QLatin1String("tif") &&
            suffix != QLatin1String("tiff"))
            return QStringLiteral("--save-image: cannot save %1: \"%2\" is neither png nor tif nor tiff")
                .arg(options.saveImage, suffix);
        const QString problem = ViewerOptions::imageTargetProblem(options.saveImage);
        if (!problem.isEmpty())
            return QStringLiteral("--save-image: cannot save %1: %2").arg(options.saveImage, problem);
    }
    if (parser.isSet(p.saveSettings)) {
        options.saveSettings = parser.value(p.saveSettings);
        const QString problem = ViewerOptions::fileTargetProblem(options.saveSettings);
        if (!problem.isEmpty())
            return QStringLiteral("--save-settings: cannot save %1: %2").arg(options.saveSettings, problem);
    }
    if (parser.isSet(p.commissioningReport)) {
        options.commissioningReport = parser.value(p.commissioningReport);
        if (!parser.isSet(p.report))
            return QStringLiteral(
                "--commissioning-report goes with --report-acquisition: it is written at its end");
        QString problem = ViewerOptions::fileTargetProblem(options.commissioningReport);
        if (problem.isEmpty() &&
            QFileInfo(options.commissioningReport).suffix().toLower() != QLatin1String("pdf"))
            problem = QStringLiteral("a report is a PDF file: its name ends in .pdf");
        if (!problem.isEmpty())
            return QStringLiteral("--commissioning-report: cannot write %1: %2")
                .arg(options.commissioningReport, problem);
    }
    if (parser.isSet(p.demo)) {
        const QString problem = ViewerOptions::folderTargetProblem(options.demo);
        if (!problem.isEmpty())
            return QStringLiteral("--demo: cannot save into %1: %2").arg(options.demo, problem);
    }
    return QString();
}

} // namespace

bool ViewerOptions::read(const QStringList& arguments, QString* error)
{
    Parser p;
    if (!p.parser.parse(arguments)) {
        *error = p.parser.errorText() + QStringLiteral(" (see --help)");
        return false;
    }
    if (p.parser.isSet(QStringLiteral("help")))
        p.parser.showHelp(0);
    if (p.parser.isSet(QStringLiteral("version")))
        p.parser.showVersion();
    if (!p.parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("Unexpected argument '%1': every option starts with -- (see --help)")
                     .arg(p.parser.positionalArguments().constFirst());
        return false;
    }
    listCameras = p.parser.isSet(p.list);
    lookOnly = p.parser.isSet(p.readOnly);
    camera = p.parser.value(p.camera);
    screenshot = p.parser.value(p.screenshot);
    demo = p.parser.value(p.demo);
    *error = readModes(p, *this);
    if (error->isEmpty())
        *error = checkTargets(p, *this);
    return error->isEmpty();
}

QString ViewerOptions::defaultPluginDir()
{
    return QDir::cleanPath(QDir(QCoreApplication::applicationDirPath())
                               .filePath(QStringLiteral(LINETRIGGER_PLUGIN_DIR_FROM_BIN)));
}

QString ViewerOptions::imageTargetProblem(const QString& path)
{
    const QFileInfo target(path);
    const QByteArray format = target.suffix().toLower().toLatin1();
    if (!target.isDir() && !QImageWriter::supportedImageFormats().contains(format))
        return QStringLiteral("\"%1\" is no image format this viewer writes (use .png)").arg(target.suffix());
    return fileTargetProblem(path);
}

QString ViewerOptions::fileTargetProblem(const QString& path)
{
    const QFileInfo target(path);
    if (target.isDir())
        return QStringLiteral("it is a folder");
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists())
        return QStringLiteral("the folder %1 does not exist").arg(folder.absoluteFilePath());
    if (!folder.isDir())
        return QStringLiteral("%1 is no folder").arg(folder.absoluteFilePath());
    if (target.exists() && !target.isWritable())
        return QStringLiteral("the file is not writable");
    return unwritableFolder(folder.absoluteFilePath());
}

QString ViewerOptions::folderTargetProblem(const QString& path)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isDir())
        return QStringLiteral("it is a file, not a folder");
    if (!target.exists()) {
        const QFileInfo ancestor = existingAncestor(path);
        if (!ancestor.isDir())
            return QStringLiteral("%1 is no folder").arg(ancestor.absoluteFilePath());
        if (!QDir().mkpath(path))
            return QStringLiteral("cannot create it in %1").arg(ancestor.absoluteFilePath());
    }
    return unwritableFolder(path);
}
