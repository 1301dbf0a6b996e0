#include "MainWindow.h"

#include "AcquisitionPanel.h"
#include "CameraFamily.h"
#include "FeatureAccess.h"
#include "FeatureName.h"
#include "LogPanel.h"
#include "PageFeatures.h"
#include "SettingsMenu.h"
#include "TovrikExceptions.h"
#include "TrendsPanel.h"
#include "ViewerCamera.h"
#include "ViewerExtensionInterface.h"
#include "ViewerHost.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLibrary>
#include <QMenuBar>
#include <QPluginLoader>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>

#include <iterator>

MainWindow::MainWindow(std::unique_ptr<ViewerCamera> camera, uint32_t hostInterfaceVersion, QWidget* parent)
    : QMainWindow(parent), m_camera(std::move(camera)), m_status(m_camera->status())
{
    setWindowTitle(tr("Line Trigger Viewer"));
    m_host = new ViewerHost(hostInterfaceVersion, this);
    m_host->setFeatures(m_camera->features());

    auto* horizontal = new QSplitter(Qt::Horizontal, this);
    auto* vertical = new QSplitter(Qt::Vertical, horizontal);
    m_tabs = new QTabWidget(vertical);
    m_tabs->setObjectName(QStringLiteral("Acquisition Control"));
    m_tabs->addTab(createDeviceTab(), tr("Device"));
    m_logPanel = new LogPanel(vertical);
    vertical->setStretchFactor(0, 4);
    vertical->setStretchFactor(1, 1);
    // Beside the page: acquisition and, on the simulated camera, its features.
    m_sideTabs = new QTabWidget(horizontal);
    m_sideTabs->setObjectName(QStringLiteral("sideTabs"));
    m_acquisition = new AcquisitionPanel(*m_camera, m_sideTabs);
    m_sideTabs->addTab(m_acquisition, tr("Live view"));
    m_sideTabs->addTab(m_acquisition->trends(), tr("Trends"));
    m_cameraPanel = m_camera->createCameraPanel(m_sideTabs);
    if (m_cameraPanel)
        m_sideTabs->addTab(m_cameraPanel, tr("Simulated camera"));
    // Room for the page's form (830 pixels wide) and a scroll bar, also on a laptop's 1366 pixels;
    // the rest to the live view, which takes what the window gains beyond that.
    horizontal->setSizes({870, 496});
    horizontal->setStretchFactor(0, 0);
    horizontal->setStretchFactor(1, 1);
    setCentralWidget(horizontal);

    // Pages are parented here until the tab widget takes them.
    m_pageParent = new QWidget(this);
    m_pageParent->hide();
    m_host->setWidget(QString(), m_pageParent);
    m_host->setWidget(QStringLiteral("Acquisition Control"), m_tabs);

    connect(m_host, &ViewerHost::logged, m_logPanel, &LogPanel::append);
    connect(m_camera.get(), &ViewerCamera::writeFailed, this, &MainWindow::logRefusedWrite);
    connect(m_camera.get(), &ViewerCamera::statusChanged, this, &MainWindow::showStatus);
    connect(m_acquisition, &AcquisitionPanel::message, this, [this](bool failure, const QString& text) {
        m_host->log(failure ? PlugInHostLogLevel::Error : PlugInHostLogLevel::Info, text);
    });
    if (!m_camera->inControl())
        m_host->log(PlugInHostLogLevel::Warning,
                    tr("Camera %1: %2").arg(m_camera->source(), m_camera->connection()));
    createMenus();
    statusBar()->showMessage(tr("No extension loaded"));
    fitScreen();
}

// Roomy where the screen allows, within the screen where it is small (a site laptop's 1366 x 768).
void MainWindow::fitScreen()
{
    QSize size(1580, 1040);
    const QScreen* screen = QGuiApplication::primaryScreen();
    // The offscreen platform's screen is a nominal 800 x 600: nothing to fit.
    if (screen && QGuiApplication::platformName() != QLatin1String("offscreen")) {
        // The frame the window manager adds is not known before the window is shown: a margin for it.
        const QSize room = screen->availableGeometry().size() - QSize(0, 30);
        size = size.boundedTo(room);
    }
    resize(size);
}

void MainWindow::createMenus()
{
    QMenu* cameraMenu = menuBar()->addMenu(tr("&Camera"));
    QAction* lookOnly = cameraMenu->addAction(tr("&Look only (refuse every write)"));
    lookOnly->setObjectName(QStringLiteral("lookOnly"));
    lookOnly->setCheckable(true);
    lookOnly->setChecked(m_camera->status().control == LinkStatus::Control::ReadOnly);
    connect(lookOnly, &QAction::toggled, this, [this](bool on) {
        m_camera->setLookOnly(on);
        m_host->log(PlugInHostLogLevel::Info, on ? tr("Looking only: every write to the camera is refused.")
                                                 : tr("Writing again, once the camera's control is ours."));
    });
    m_settings = new SettingsMenu(*m_camera, *m_tabs, this);
    m_settings->setObjectName(QStringLiteral("settingsMenu"));
    menuBar()->addMenu(m_settings);
    connect(m_settings, &SettingsMenu::message, m_host,
            [this](PlugInHostLogLevel level, const QString& text) { m_host->log(level, text); });

    QMenu* evidence = menuBar()->addMenu(tr("&Evidence"));
    QAction* image = evidence->addAction(tr("Save &image…"));
    connect(image, &QAction::triggered, m_acquisition, &AcquisitionPanel::saveImageAs);
    QAction* report = evidence->addAction(tr("Commissioning &report…"));
    report->setObjectName(QStringLiteral("commissioningReport"));
    connect(report, &QAction::triggered, this, [this] {
        const QString path =
            QFileDialog::getSaveFileName(this, tr("Commissioning report"), QString(), tr("PDF (*.pdf)"));
        if (path.isEmpty())
            return;
        writeCommissioningReport(path, m_acquisition->reportContents(), [this, path](const QString& problem) {
            m_host->log(problem.isEmpty() ? PlugInHostLogLevel::Info : PlugInHostLogLevel::Error,
                        problem.isEmpty()
                            ? tr("Wrote the commissioning report %1.").arg(QDir::toNativeSeparators(path))
                            : tr("Could not write the commissioning report %1: %2")
                                  .arg(QDir::toNativeSeparators(path), problem));
        });
    });
}

void MainWindow::writeCommissioningReport(const QString& path, CommissioningReport::Contents contents,
                                          std::function<void(const QString& problem)> done)
{
    m_settings->take([path, contents = std::move(contents),
                      done = std::move(done)](const std::optional<SettingsSnapshot>& settings) mutable {
        contents.settings = settings;
        done(CommissioningReport::write(contents, path));
    });
}

MainWindow::~MainWindow()
{
    unloadExtension();
    // The live view takes frames from the camera's stream: it goes before the camera does.
    delete m_sideTabs;
}

bool MainWindow::loadExtension(const QString& directory)
{
    const QDir dir(directory);
    if (!dir.exists()) {
        refuse(tr("Plug-in folder %1 does not exist.").arg(QDir::toNativeSeparators(directory)));
        return false;
    }
    QStringList problems;
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name)) {
        if (!QLibrary::isLibrary(file.fileName()))
            continue;
        auto loader = std::make_unique<QPluginLoader>(file.absoluteFilePath());
        if (!loader->load()) {
            problems << tr("%1 could not be loaded: %2").arg(file.fileName(), loader->errorString());
            continue;
        }
        auto* extension = qobject_cast<ViewerExtensionInterface*>(loader->instance());
        if (!extension) {
            problems << tr("%1 is not a viewer extension.").arg(file.fileName());
            loader->unload();
            continue;
        }
        m_loader = std::move(loader);
        m_extensionObject = m_loader->instance();
        m_extension = extension;
        const int tabsBefore = m_tabs->count();
        if (!m_extension->initialize(m_host)) {
            // The plug-in says nothing when it declines: say what the host can see.
            refuse(tr("%1 declined to install its page. What the host sees: %2.")
                       .arg(file.fileName(), hostSideOfRefusal()));
            return false;
        }
        if (m_tabs->count() > tabsBefore)
            m_tabs->setCurrentIndex(m_tabs->count() - 1);
        const QString text = tr("Loaded %1: page \"%2\" installed.")
                                 .arg(file.fileName(), m_tabs->tabText(m_tabs->count() - 1));
        m_host->log(PlugInHostLogLevel::Info, text);
        statusBar()->showMessage(text);
        return true;
    }
    for (const QString& problem : problems)
        m_host->log(PlugInHostLogLevel::Warning, problem);
    refuse(tr("No viewer extension found in %1.").arg(QDir::toNativeSeparators(directory)));
    return false;
}

void MainWindow::unloadExtension()
{
    if (m_extension && m_extensionObject)
        m_extension->deinitialize(m_host);
    m_extension = nullptr;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    unloadExtension();
    event->accept();
}

QWidget* MainWindow::createDeviceTab()
{
    auto* tab = new QWidget;
    auto* form = new QFormLayout(tab);
    const FeatureAccess access(m_camera->features());
    const auto row = [&](const QString& label, const QString& feature) {
        QString text;
        try {
            text = access.getValueAsString(feature);
        } catch (const std::exception& error) {
            text = tr("(cannot be read: %1)").arg(QString::fromUtf8(error.what()));
        }
        auto* value = new QLabel(text, tab);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label, value);
    };
    row(tr("Vendor"), QString::fromLatin1(FeatureName::DeviceVendorName));
    row(tr("Model"), QString::fromLatin1(FeatureName::DeviceModelName));
    row(tr("Serial number"), QString::fromLatin1(FeatureName::DeviceSerialNumber));
    row(tr("Firmware"), QString::fromLatin1(FeatureName::DeviceFirmwareVersion));
    auto* source = new QLabel(m_camera->source(), tab);
    source->setWordWrap(true);
    form->addRow(tr("Camera"), source);
    form->addRow(tr("Change notifications"), new QLabel(m_camera->notifications(), tab));
    m_connection = new QLabel(m_camera->connection(), tab);
    m_connection->setObjectName(QStringLiteral("connection"));
    form->addRow(tr("Connection"), m_connection);
    form->addRow(tr("Host interface version"),
                 new QLabel(QString::number(m_host->getInterfaceVersion()), tab));
    return tab;
}

void MainWindow::logRefusedWrite(const QString& feature, const QString& selection, const QString& value,
                                 int status)
{
    // The page does not look at the status of its text writes: this line is where they show.
    const QString where = selection.isEmpty() ? feature : QStringLiteral("%1 [%2]").arg(feature, selection);
    m_host->log(PlugInHostLogLevel::Error,
                tr("The camera refused a write: %1 = %2: %3")
                    .arg(where, value, QString::fromStdString(Tovrik::errorMessage(status))));
}

void MainWindow::showStatus(const LinkStatus& status)
{
    const QString message = m_camera->describe(status);
    m_connection->setText(message);
    const bool lost = status.state == LinkStatus::State::Lost;
    if (lost)
        m_host->log(PlugInHostLogLevel::Error, tr("Camera lost: %1: %2").arg(m_camera->source(), message));
    else if (m_status.state == LinkStatus::State::Lost)
        m_host->log(PlugInHostLogLevel::Info, tr("Camera back: %1: %2").arg(m_camera->source(), message));
    else
        m_host->log(PlugInHostLogLevel::Warning, tr("Camera %1: %2").arg(m_camera->source(), message));
    m_status = status;
}

QString MainWindow::hostSideOfRefusal() const
{
    QStringList facts;
    const FeatureAccess access(m_camera->features());
    try {
        const QString serial = access.getValueAsString(QString::fromLatin1(FeatureName::DeviceSerialNumber));
        facts << (CameraFamily::serves(serial)
                      ? tr("serial number %1, in the family %2 to %3 the plug-in serves")
                      : tr("serial number %1, outside the family %2 to %3 the plug-in serves"))
                     .arg(serial)
                     .arg(CameraFamily::first)
                     .arg(CameraFamily::last);
    } catch (const std::exception& exception) {
        facts << tr("no readable serial number (%1)").arg(QString::fromUtf8(exception.what()));
    }
    QStringList missing;
    for (const char* name : PageFeatures::observed) {
        if (!access.hasFeature(QString::fromLatin1(name)))
            missing << QString::fromLatin1(name);
    }
    const int all = static_cast<int>(std::size(PageFeatures::observed));
    facts << (missing.isEmpty() ? tr("all %1 features the page follows are present").arg(all)
                                : tr("%1 of the %2 features the page follows are missing (%3)")
                                      .arg(missing.size())
                                      .arg(all)
                                      .arg(missing.join(QStringLiteral(", "))));
    facts << (qobject_cast<QTabWidget*>(m_host->getWidget(QStringLiteral("Acquisition Control")))
                  ? tr("the \"Acquisition Control\" tab widget is there")
                  : tr("there is no \"Acquisition Control\" tab widget"));
    facts << tr("host interface version %1 offered (the plug-in needs 2 or higher)")
                 .arg(m_host->getInterfaceVersion());
    return facts.join(QStringLiteral("; "));
}

void MainWindow::refuse(const QString& reason)
{
    m_host->log(PlugInHostLogLevel::Error, reason);
    statusBar()->showMessage(reason);
}
