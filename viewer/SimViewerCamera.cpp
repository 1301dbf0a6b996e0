#include "SimViewerCamera.h"

#include "BenchPanel.h"
#include "SimAcquisition.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "SimCameraPanel.h"
#include "SimDevice.h"
#include "SimVariantReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

SimViewerCamera::SimViewerCamera(std::shared_ptr<SimCamera> camera, const QString& source, QObject* parent)
    : ViewerCamera(std::make_shared<SimDevice>(camera, source.toStdString()), parent),
      m_camera(std::move(camera))
{}

std::shared_ptr<SimCameraBuilder> SimViewerCamera::prepare(const QString& variantFile, QString* error)
{
    auto builder = std::make_shared<SimCameraBuilder>(SimCameraBuilder::lineScanCamera());
    builder->setNotifyMode(SimNotifyMode::Thread);
    if (variantFile.isEmpty())
        return builder;
    // Checked before opening: opening a FIFO waits for a writer, a device never ends.
    const QFileInfo info(variantFile);
    if (info.exists() && !info.isFile()) {
        *error = QObject::tr("Cannot read %1: not a regular file").arg(variantFile);
        return nullptr;
    }
    if (info.size() > maxVariantBytes) {
        *error = QObject::tr("Cannot read %1: larger than %2 MiB").arg(variantFile).arg(maxVariantMiB);
        return nullptr;
    }
    QFile file(variantFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QObject::tr("Cannot read %1: %2").arg(file.fileName(), file.errorString());
        return nullptr;
    }
    QString reason;
    if (!SimVariantReader(*builder).read(file.read(maxVariantBytes), &reason)) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file.fileName()), reason);
        return nullptr;
    }
    return builder;
}

std::unique_ptr<ViewerCamera> SimViewerCamera::open(const SimCameraBuilder& described,
                                                    const QString& variantFile,
                                                    std::optional<bool> notifyThread)
{
    SimCameraBuilder builder = described;
    if (notifyThread)
        builder.setNotifyMode(*notifyThread ? SimNotifyMode::Thread : SimNotifyMode::Synchronous);
    std::shared_ptr<SimCamera> camera = builder.build();
    camera->acquisition().setRealTime(true);
    const QString source = variantFile.isEmpty()
                               ? QObject::tr("built-in simulated line-scan camera")
                               : QObject::tr("simulated, from %1").arg(QDir::toNativeSeparators(variantFile));
    return std::make_unique<SimViewerCamera>(camera, source);
}

QWidget* SimViewerCamera::createCameraPanel(QWidget* parent)
{
    return new SimCameraPanel(m_camera, parent);
}

QWidget* SimViewerCamera::createBenchPanel(QWidget* parent)
{
    return new BenchPanel(m_camera->acquisition(), parent);
}

std::optional<Installation> SimViewerCamera::installation() const
{
    return m_camera->acquisition().bench().installation();
}

QString SimViewerCamera::journal() const
{
    return SimCameraPanel::journalOf(m_camera->journal(), 0);
}
