#include "CameraOpener.h"

#include "SimAcquisition.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "SimViewerCamera.h"

#if LINETRIGGER_WITH_ARAVIS
#include "GenicamCamera.h"
#include "GenicamViewerCamera.h"
#endif

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString aravisPrefix = QStringLiteral("aravis:");
const QString genicamFake = QStringLiteral("genicam-fake");

// Applies a variant file to the builder; false with the line to show in error.
bool applyVariant(const QString& variantFile, SimCameraBuilder& builder, QString* error)
{
    // Checked before opening: opening a FIFO waits for a writer, a device never ends.
    const QFileInfo info(variantFile);
    if (info.exists() && !info.isFile()) {
        *error = QObject::tr("Cannot read %1: not a regular file").arg(variantFile);
        return false;
    }
    if (info.size() > CameraOpener::maxVariantBytes) {
        *error = QObject::tr("Cannot read %1: larger than %2 MiB")
                     .arg(variantFile)
                     .arg(CameraOpener::maxVariantMiB);
        return false;
    }
    QFile file(variantFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QObject::tr("Cannot read %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    QString reason;
    if (!builder.applyJson(file.read(CameraOpener::maxVariantBytes), &reason)) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file.fileName()), reason);
        return false;
    }
    return true;
}

bool isGenicam(const QString& choice)
{
    return choice == genicamFake || choice.startsWith(aravisPrefix);
}

std::unique_ptr<ViewerCamera> openSimulated(const CameraOpener::Prepared& prepared,
                                            const CameraOpener::Options& options)
{
    SimCameraBuilder builder = *prepared.simulated;
    if (options.notifications)
        builder.setNotifyMode(*options.notifications);
    std::shared_ptr<SimCamera> camera = builder.build();
    camera->acquisition().setRealTime(true);
    const QString source =
        prepared.choice.isEmpty()
            ? QObject::tr("built-in simulated line-scan camera")
            : QObject::tr("simulated, from %1").arg(QDir::toNativeSeparators(prepared.choice));
    return std::make_unique<SimViewerCamera>(camera, source);
}

std::unique_ptr<ViewerCamera> openGenicam(const QString& choice, QString* error)
{
#if LINETRIGGER_WITH_ARAVIS
    std::string reason;
    const std::shared_ptr<GenicamCamera> camera =
        choice == genicamFake ? GenicamCamera::openFake("40123-0042", &reason)
                              : GenicamCamera::open(choice.mid(aravisPrefix.size()).toStdString(), &reason);
    if (!camera) {
        *error = QObject::tr("Cannot open %1: %2").arg(choice, QString::fromStdString(reason));
        return nullptr;
    }
    return std::make_unique<GenicamViewerCamera>(camera);
#else
    *error =
        QObject::tr("Cannot open %1: this viewer was built without Aravis (GenICam cameras).").arg(choice);
    return nullptr;
#endif
}

} // namespace

std::optional<CameraOpener::Prepared> CameraOpener::prepare(const QString& choice, QString* error)
{
    Prepared prepared{choice, nullptr};
    if (isGenicam(choice))
        return prepared;
    prepared.simulated = std::make_shared<SimCameraBuilder>(SimCameraBuilder::lineScanCamera());
    prepared.simulated->setNotifyMode(SimNotifyMode::Thread);
    if (!choice.isEmpty() && !applyVariant(choice, *prepared.simulated, error))
        return std::nullopt;
    return prepared;
}

std::unique_ptr<ViewerCamera> CameraOpener::open(const Prepared& prepared, const Options& options,
                                                 QString* error)
{
    return prepared.simulated ? openSimulated(prepared, options) : openGenicam(prepared.choice, error);
}

std::unique_ptr<ViewerCamera> CameraOpener::open(const QString& choice, const Options& options,
                                                 QString* error)
{
    const std::optional<Prepared> prepared = prepare(choice, error);
    return prepared ? open(*prepared, options, error) : nullptr;
}

bool CameraOpener::hasGenicam()
{
    return LINETRIGGER_WITH_ARAVIS;
}

std::vector<std::string> CameraOpener::listGenicamCameras()
{
#if LINETRIGGER_WITH_ARAVIS
    return GenicamCamera::listCameras();
#else
    return {};
#endif
}
