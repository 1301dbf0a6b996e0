#pragma once

#include "Installation.h"

#include <QString>

#include <optional>

// The installation's figures the operator entered, kept per camera between runs (by model and
// serial number), and read from a file given on the command line.
class InstallationStore
{
public:
    // The viewer's own settings file; a test passes one of its own.
    explicit InstallationStore(QString file = defaultFile());

    std::optional<Installation> load(const QString& camera) const;
    void save(const QString& camera, const Installation& installation);
    void forget(const QString& camera);

    // A JSON object with "pixelSize" (mm) and "encoder": {"pulsesPerRevolution",
    // "wheelCircumference"} or {"pulsesPerMm"}. False with one line saying what is wrong.
    static bool readFile(const QString& path, Installation* installation, QString* error);
    static QString defaultFile();

private:
    QString m_file;
};
