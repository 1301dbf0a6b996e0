#include "CameraOpener.h"

#include "SimViewerCamera.h"

#if LINETRIGGER_WITH_ARAVIS
#include "GenicamCamera.h"
#endif

namespace {

const QString aravisPrefix = QStringLiteral("aravis:");
const QString genicamFake = QStringLiteral("genicam-fake");

bool isGenicam(const QString& choice)
{
    return choice == genicamFake || choice.startsWith(aravisPrefix);
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
    return std::make_unique<ViewerCamera>(camera);
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
    prepared.simulated = SimViewerCamera::prepare(choice, error);
    if (!prepared.simulated)
        return std::nullopt;
    return prepared;
}

std::unique_ptr<ViewerCamera> CameraOpener::open(const Prepared& prepared, const Options& options,
                                                 QString* error)
{
    if (prepared.simulated)
        return SimViewerCamera::open(*prepared.simulated, prepared.choice, options.notifyThread);
    return openGenicam(prepared.choice, error);
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
