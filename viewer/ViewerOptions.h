#pragma once

#include "Installation.h"
#include "SettingsSnapshot.h"

#include <QString>
#include <QStringList>

#include <optional>

// The viewer's command line, read and checked before the GUI starts: --help, --version and a bad
// option need no display, and a bad option is answered before any camera is opened.
class ViewerOptions
{
public:
    // Needs a QCoreApplication (for --help's program name and the executable's folder). --help and
    // --version print and end the process; anything else unusable is one line in error.
    bool read(const QStringList& arguments, QString* error);

    bool listCameras = false;
    QString camera;
    QString pluginDir;
    std::optional<bool> notifyThread; // unset: the variant's choice
    uint hostVersion = 2;
    QString screenshot;
    QString demo;
    std::optional<double> reportSeconds;
    QString saveImage;           // at the end of --report-acquisition
    QString commissioningReport; // likewise
    std::optional<Installation> installation;
    // Settings snapshots: saved to this file, or read from one to apply, without a window.
    QString saveSettings;
    bool lookOnly = false; // --read-only
    std::optional<SettingsSnapshot> applySettings;

    // The plug-in folder when none is given: the same path relative to the executable in the build
    // tree as installed.
    static QString defaultPluginDir();
    // Why a file cannot be written as an image (its folder, its kind, its format); empty if it can.
    static QString imageTargetProblem(const QString& path);
    // Empty when a file can be written there, else why not.
    static QString fileTargetProblem(const QString& path);
    // Why a folder cannot take files (created when missing); empty if it can.
    static QString folderTargetProblem(const QString& path);
};
