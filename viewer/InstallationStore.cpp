#include "InstallationStore.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString group(const QString& camera)
{
    // QSettings keys take no slashes; a serial number may hold one.
    return QStringLiteral("installations/") + QString(camera).replace(QLatin1Char('/'), QLatin1Char('_'));
}

// The keys a JSON object may have; the first one it has besides them, or empty.
QString unknownKey(const QJsonObject& object, const QStringList& keys)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!keys.contains(it.key()))
            return it.key();
    }
    return QString();
}

} // namespace

InstallationStore::InstallationStore(QString file) : m_file(std::move(file)) {}

QString InstallationStore::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/installations.ini");
}

std::optional<Installation> InstallationStore::load(const QString& camera) const
{
    if (camera.isEmpty())
        return std::nullopt;
    const QSettings settings(m_file, QSettings::IniFormat);
    const QString key = group(camera);
    if (!settings.contains(key + QStringLiteral("/pixelSize")))
        return std::nullopt;
    Installation figures;
    figures.pixelSize = settings.value(key + QStringLiteral("/pixelSize")).toDouble();
    figures.pulsesPerRevolution = settings.value(key + QStringLiteral("/pulsesPerRevolution")).toDouble();
    figures.wheelCircumference = settings.value(key + QStringLiteral("/wheelCircumference")).toDouble();
    figures.pulsesPerMmGiven = settings.value(key + QStringLiteral("/pulsesPerMm"), 0.0).toDouble();
    // A hand-edited file is no reason to run on nonsense.
    if (!figures.problem().empty())
        return std::nullopt;
    return figures;
}

void InstallationStore::save(const QString& camera, const Installation& installation)
{
    if (camera.isEmpty())
        return;
    QSettings settings(m_file, QSettings::IniFormat);
    settings.beginGroup(group(camera));
    settings.setValue(QStringLiteral("pixelSize"), installation.pixelSize);
    settings.setValue(QStringLiteral("pulsesPerRevolution"), installation.pulsesPerRevolution);
    settings.setValue(QStringLiteral("wheelCircumference"), installation.wheelCircumference);
    settings.setValue(QStringLiteral("pulsesPerMm"), installation.pulsesPerMmGiven);
}

void InstallationStore::forget(const QString& camera)
{
    if (camera.isEmpty())
        return;
    QSettings settings(m_file, QSettings::IniFormat);
    settings.remove(group(camera));
}

bool InstallationStore::readFile(const QString& path, Installation* installation, QString* error)
{
    const auto fail = [&](const QString& why) {
        *error = QStringLiteral("--installation: %1: %2").arg(path, why);
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    QJsonParseError parsing;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parsing);
    if (parsing.error != QJsonParseError::NoError)
        return fail(QStringLiteral("%1 at offset %2").arg(parsing.errorString()).arg(parsing.offset));
    if (!document.isObject())
        return fail(QStringLiteral("the file must hold one JSON object"));
    const QJsonObject root = document.object();
    if (const QString key = unknownKey(root, {QStringLiteral("pixelSize"), QStringLiteral("encoder")});
        !key.isEmpty())
        return fail(QStringLiteral("unknown key \"%1\" (pixelSize, encoder)").arg(key));
    if (!root.value(QStringLiteral("pixelSize")).isDouble())
        return fail(QStringLiteral("\"pixelSize\" must be a number of mm"));
    if (!root.value(QStringLiteral("encoder")).isObject())
        return fail(
            QStringLiteral("\"encoder\" must be an object with pulsesPerRevolution and wheelCircumference, "
                           "or pulsesPerMm"));
    const QJsonObject encoder = root.value(QStringLiteral("encoder")).toObject();
    const QStringList keys{QStringLiteral("pulsesPerRevolution"), QStringLiteral("wheelCircumference"),
                           QStringLiteral("pulsesPerMm")};
    if (const QString key = unknownKey(encoder, keys); !key.isEmpty())
        return fail(
            QStringLiteral("encoder: unknown key \"%1\" (%2)").arg(key, keys.join(QStringLiteral(", "))));
    Installation figures;
    figures.pixelSize = root.value(QStringLiteral("pixelSize")).toDouble();
    const bool byMm = encoder.contains(QStringLiteral("pulsesPerMm"));
    if (byMm == (encoder.contains(keys[0]) || encoder.contains(keys[1])))
        return fail(
            QStringLiteral("encoder: give pulsesPerRevolution and wheelCircumference, or pulsesPerMm"));
    for (const QString& key : byMm ? QStringList{keys[2]} : QStringList{keys[0], keys[1]}) {
        if (!encoder.value(key).isDouble())
            return fail(QStringLiteral("encoder: \"%1\" must be a number").arg(key));
    }
    if (byMm) {
        figures.pulsesPerMmGiven = encoder.value(keys[2]).toDouble();
    } else {
        figures.pulsesPerRevolution = encoder.value(keys[0]).toDouble();
        figures.wheelCircumference = encoder.value(keys[1]).toDouble();
    }
    if (const std::string problem = figures.problem(); !problem.empty())
        return fail(QString::fromStdString(problem));
    *installation = figures;
    return true;
}
