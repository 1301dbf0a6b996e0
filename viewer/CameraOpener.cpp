#include "CameraOpener.h"

#include "SimViewerCamera.h"

#if LINETRIGGER_WITH_ARAVIS
#include "GenicamCamera.h"

#include <QApplication>
#include <QLabel>

#include <functional>
#include <future>
#endif

namespace {

const QString aravisPrefix = QStringLiteral("aravis:");
const QString genicamFake = QStringLiteral("genicam-fake");

bool isGenicam(const QString& choice)
{
    return choice == genicamFake || choice.startsWith(aravisPrefix);
}

#if LINETRIGGER_WITH_ARAVIS
// Runs open on a thread of its own and keeps the GUI's events going meanwhile, with a window that
// says what is being opened (when there is a GUI).
std::shared_ptr<GenicamCamera>
openShowingProgress(const QString& choice, const std::function<std::shared_ptr<GenicamCamera>()>& open)
{
    std::unique_ptr<QLabel> note;
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        note = std::make_unique<QLabel>(
            QObject::tr("Opening %1 and reading what the page needs ...").arg(choice));
        note->setWindowTitle(QObject::tr("Line Trigger Viewer"));
        note->setMargin(24);
        note->show();
    }
    std::future<std::shared_ptr<GenicamCamera>> opened = std::async(std::launch::async, open);
    while (opened.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return opened.get();
}
#endif

std::unique_ptr<ViewerCamera> openGenicam(const QString& choice, QString* error)
{
#if LINETRIGGER_WITH_ARAVIS
    auto reason = std::make_shared<std::string>();
    const std::shared_ptr<GenicamCamera> camera = openShowingProgress(choice, [choice, reason] {
        return choice == genicamFake
                   ? GenicamCamera::openFake("40123-0042", reason.get())
                   : GenicamCamera::open(choice.mid(aravisPrefix.size()).toStdString(), reason.get());
    });
    if (!camera) {
        *error = QObject::tr("Cannot open %1: %2").arg(choice, QString::fromStdString(*reason));
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
