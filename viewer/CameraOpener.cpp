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

namespace {

const QString aravisPrefix = QStringLiteral("aravis:");
const QString genicamFake = QStringLiteral("genicam-fake");

std::unique_ptr<ViewerCamera> openSimulated(const QString& variantFile, const CameraOpener::Options& options,
                                            QString* error)
{
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    QString source = QObject::tr("built-in simulated line-scan camera");
    if (!variantFile.isEmpty()) {
        QFile file(variantFile);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QObject::tr("Cannot read %1: %2").arg(file.fileName(), file.errorString());
            return nullptr;
        }
        QString reason;
        if (!builder.applyJson(file.readAll(), &reason)) {
            *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file.fileName()), reason);
            return nullptr;
        }
        source = QObject::tr("simulated, from %1").arg(QDir::toNativeSeparators(file.fileName()));
    }
    builder.setNotifyMode(options.synchronousNotifications ? SimNotifyMode::Synchronous
                                                           : SimNotifyMode::Thread);
    std::shared_ptr<SimCamera> camera = builder.build();
    camera->acquisition().setRealTime(true);
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

std::unique_ptr<ViewerCamera> CameraOpener::open(const QString& choice, const Options& options,
                                                 QString* error)
{
    if (choice == genicamFake || choice.startsWith(aravisPrefix))
        return openGenicam(choice, error);
    return openSimulated(choice, options, error);
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
