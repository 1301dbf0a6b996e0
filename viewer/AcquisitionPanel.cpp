#include "AcquisitionPanel.h"

#include "Calculator.h"
#include "InstallationEditor.h"
#include "LineHistory.h"
#include "LineImage.h"
#include "LineIntake.h"
#include "LineSource.h"
#include "LiveView.h"
#include "TrendsPanel.h"
#include "TriggerCheck.h"
#include "TriggerVerdict.h"
#include "ViewerCamera.h"

#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include <QtConcurrent>
#include <utility>

AcquisitionPanel::AcquisitionPanel(ViewerCamera& camera, QWidget* parent)
    : QWidget(parent), m_camera(camera), m_source(camera.lineSource()),
      m_history(std::make_shared<LineHistory>()), m_times(std::make_shared<LineTimes>()), m_imageTimer(this),
      m_timer(this), m_trendTimer(this)
{
    auto* layout = new QVBoxLayout(this);
    createControls(layout);

    layout->addWidget(createView(), 1);

    connect(&camera, &ViewerCamera::sampled, this, [this](const TriggerSample& sample) {
        m_check->add(sample);
        if (sample.settingsKnown)
            m_calculator->setCamera(sample.settings.exposureUs, sample.settings.topLineRate);
    });
    // Ten a second: a GenICam camera's backend keeps to its own budget of commands.
    camera.sample(std::chrono::milliseconds(100));
    connect(m_start, &QPushButton::clicked, this, [this] { start(); });
    connect(m_stop, &QPushButton::clicked, this, [this] { stop(); });
    connect(m_save, &QPushButton::clicked, this, &AcquisitionPanel::saveImageAs);
    if (m_source) {
        // On a thread of the source's: handed to the GUI thread.
        m_source->setEventListener([this](const LineSource::Event& event) {
            QMetaObject::invokeMethod(
                this, [this, event] { streamEvent(event); }, Qt::QueuedConnection);
        });
    }
    m_start->setEnabled(m_source != nullptr);
    m_stop->setEnabled(m_source != nullptr);
    m_clock.start();
    connect(&m_timer, &QTimer::timeout, this, &AcquisitionPanel::showFigures);
    m_timer.start(500);
    showFigures();
    startImageMeasurements();
    m_trendsPanel = new TrendsPanel(this);
    m_trendsPanel->setObjectName(QStringLiteral("trends"));
    connect(&m_trendTimer, &QTimer::timeout, this, &AcquisitionPanel::recordTrends);
    m_trendTimer.start(1000);
}

// Once a second, acquiring or not: a stop shows as a stretch of no lines.
void AcquisitionPanel::recordTrends()
{
    const qint64 now = m_clock.elapsed();
    const LineSource::Statistics statistics = m_source ? m_source->statistics() : LineSource::Statistics{};
    const TriggerObservation& o = m_check->observation();
    const long long missed = o.missedTriggers.value_or(0);
    // The counts start again at zero with a new acquisition.
    const auto grown = [](auto value, auto last) {
        return static_cast<double>(value >= last ? value - last : value);
    };
    if (m_trendAt > 0) {
        const double seconds = (now - m_trendAt) / 1000.0;
        std::optional<double> counts;
        if (o.countsPerSecond)
            counts = *o.countsPerSecond * seconds;
        m_trends.add(QDateTime::currentMSecsSinceEpoch(), seconds, grown(statistics.lines, m_trendLines),
                     counts, grown(missed, m_trendMissed), grown(statistics.droppedFrames, m_trendDropped));
    }
    m_trendAt = std::max<qint64>(now, 1);
    m_trendLines = statistics.lines;
    m_trendDropped = statistics.droppedFrames;
    m_trendMissed = missed;
    // Drawn only where it is seen; the report draws its own.
    if (m_trendsPanel->isVisible())
        m_trendsPanel->showTrends(m_trends.points(), intervals(), untimedLines());
}

std::optional<LineTimes::Summary> AcquisitionPanel::intervals() const
{
    return m_times->summary();
}

bool AcquisitionPanel::untimedLines() const
{
    return m_times->untimed();
}

// Start, stop and save; below them the figures.
void AcquisitionPanel::createControls(QVBoxLayout* layout)
{
    auto* buttons = new QHBoxLayout;
    m_start = new QPushButton(tr("Start"), this);
    m_start->setObjectName(QStringLiteral("startAcquisition"));
    m_stop = new QPushButton(tr("Stop"), this);
    m_stop->setObjectName(QStringLiteral("stopAcquisition"));
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    m_save = new QPushButton(tr("Save image…"), this);
    m_save->setObjectName(QStringLiteral("saveImage"));
    m_save->setToolTip(
        tr("The newest lines at full resolution, as PNG or TIFF, with the camera, the time, the "
           "trigger settings, lines per mm and the verdict in the file"));
    buttons->addWidget(m_save);
    buttons->addStretch();
    layout->addLayout(buttons);
    m_figures = new QLabel(this);
    m_figures->setObjectName(QStringLiteral("figures"));
    m_figures->setWordWrap(true);
    // Two lines kept for the figures: a note of the stream's does not move the view.
    m_figures->setMinimumHeight(2 * m_figures->fontMetrics().lineSpacing());
    m_figures->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_figures);
}

// The view above, the check and the tools below it in a scroll area of their own: on a small
// screen (a laptop's 768 lines) the operator scrolls to the tools or drags the view smaller.
QWidget* AcquisitionPanel::createView()
{
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("liveSplitter"));
    splitter->setChildrenCollapsible(false);
    m_view = new LiveView(m_waterfall, splitter);
    if (m_source)
        m_intake = std::make_unique<LineIntake>(*m_source, m_waterfall, m_history.get(), m_times.get());
    auto* below = new QScrollArea(splitter);
    below->setObjectName(QStringLiteral("checkAndTools"));
    below->setWidgetResizable(true);
    below->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(below);
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    m_check = new TriggerCheck(content);
    contentLayout->addWidget(m_check);
    contentLayout->addWidget(createTools(content), 1);
    below->setWidget(content);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    return splitter;
}

QWidget* AcquisitionPanel::createTools(QWidget* parent)
{
    auto* tools = new QTabWidget(parent);
    tools->setObjectName(QStringLiteral("tools"));
    m_bench = m_camera.createBenchPanel(tools);
    if (m_bench)
        tools->addTab(m_bench, tr("Bench"));
    m_calculator = new Calculator(tools);
    if (const std::optional<Installation> installation = m_camera.installation())
        m_calculator->setInputs(*installation);
    tools->addTab(m_calculator, tr("Calculator"));
    m_installation = new InstallationEditor(tr("Known for this camera (kept for the next run)"), true, tools);
    m_installation->setObjectName(QStringLiteral("installation"));
    tools->addTab(m_installation, tr("Installation"));

    m_identity = m_camera.identity();
    if (const std::optional<Installation> stored = m_store.load(m_identity)) {
        m_installation->setFigures(*stored);
        m_installation->setKnown(true);
        m_calculator->setInputs(*stored);
        m_check->setInstallation(stored);
    } else {
        // Not known yet: proposed from the calculator, which starts from the bench where there is one.
        m_installation->setFigures(m_calculator->inputs());
        m_installation->setKnown(false);
    }
    // Nowhere to keep them without knowing which camera this is.
    m_installation->setEnabled(!m_identity.isEmpty());
    connect(m_installation, &InstallationEditor::edited, this, &AcquisitionPanel::installationEdited);
    connect(m_calculator, &Calculator::inputsEdited, this, [this] {
        if (!m_installation->known())
            m_installation->setFigures(m_calculator->inputs());
    });
    return tools;
}

// Once a second while lines come; also on demand (the report's end).
void AcquisitionPanel::startImageMeasurements()
{
    connect(&m_measuring, &QFutureWatcher<std::optional<CircleTarget::Measurement>>::finished, this, [this] {
        const std::optional<CircleTarget::Measurement> result = m_measuring.result();
        m_check->setImageMeasurement(result);
        const uint64_t number = m_measurements;
        if (std::exchange(m_measureAgain, false))
            measureImage();
        emit imageMeasured(result, number);
    });
    connect(&m_imageTimer, &QTimer::timeout, this, [this] {
        if (m_source && m_source->isAcquiring())
            measureImage();
    });
    m_imageTimer.start(1000);
}

uint64_t AcquisitionPanel::measureImage()
{
    if (m_measuring.isRunning()) {
        // Its snapshot is older than the lines kept now: another one follows it.
        m_measureAgain = true;
        return m_measurements + 1;
    }
    ++m_measurements;
    // On a pooled thread: the copy and the search take a while on a large view.
    m_measuring.setFuture(QtConcurrent::run([history = m_history] {
        const LineHistory::Image image = history->snapshot();
        return CircleTarget::measure(image.pixels.data(), image.width, image.lines);
    }));
    return m_measurements;
}

QMap<QString, QString> AcquisitionPanel::imageText() const
{
    return imageText(m_check->observation(), m_check->verdict());
}

QMap<QString, QString> AcquisitionPanel::imageText(const TriggerObservation& o, const QString& verdict) const
{
    QMap<QString, QString> text;
    text.insert(QStringLiteral("Camera"), m_identity.isEmpty() ? m_camera.source() : m_identity);
    text.insert(QStringLiteral("Time"), QDateTime::currentDateTime().toString(Qt::ISODate));
    if (o.settings) {
        const TriggerSettings& s = *o.settings;
        text.insert(QStringLiteral("Trigger"),
                    QStringLiteral(
                        "TriggerMode %1, TriggerSource %2, TriggerActivation %3, TriggerDivider %4; "
                        "AcquisitionLineRate %5, ExposureTime %6 us; EncoderSourceA %7, EncoderSourceB %8, "
                        "EncoderMode %9, EncoderDividerFloat %10")
                        .arg(QString::fromStdString(s.triggerMode), QString::fromStdString(s.triggerSource),
                             QString::fromStdString(s.triggerActivation))
                        .arg(s.triggerDivider)
                        .arg(s.lineRate)
                        .arg(s.exposureUs)
                        .arg(QString::fromStdString(s.sourceA), QString::fromStdString(s.sourceB),
                             QString::fromStdString(s.encoderMode))
                        .arg(s.encoderDivider));
    }
    const TriggerVerdict::Figures figures = TriggerVerdict::figures(o);
    text.insert(QStringLiteral("Lines per mm"),
                figures.linesPerMm ? QString::number(*figures.linesPerMm, 'g', 6) : tr("not known"));
    text.insert(QStringLiteral("Verdict"), verdict);
    return text;
}

CommissioningReport::Contents AcquisitionPanel::reportContents() const
{
    return reportContents(m_check->observation(), m_check->verdict());
}

CommissioningReport::Contents AcquisitionPanel::reportContents(const TriggerObservation& o,
                                                               const QString& verdict) const
{
    const QMap<QString, QString> text = imageText(o, verdict);
    CommissioningReport::Contents c;
    c.camera = text.value(QStringLiteral("Camera"));
    c.time = QDateTime::currentDateTime();
    c.verdict = verdict;
    const auto number = [](const std::optional<double>& value, const QString& unit, int decimals) {
        return value ? QStringLiteral("%1 %2").arg(*value, 0, 'f', decimals).arg(unit).trimmed()
                     : tr("not known");
    };
    const TriggerVerdict::Figures f = TriggerVerdict::figures(o);
    c.facts.emplace_back(tr("Lines"), o.acquiring ? tr("%1 a second").arg(o.linesPerSecond, 0, 'f', 0)
                                                  : tr("none coming (acquisition stopped)"));
    c.facts.emplace_back(tr("Line rate set"), number(f.expectedLineRate, tr("a second"), 0));
    c.facts.emplace_back(tr("Missed triggers"),
                         o.missedTriggers ? QString::number(*o.missedTriggers) : tr("not available"));
    c.facts.emplace_back(tr("Dropped frames"),
                         m_source ? QString::number(m_source->statistics().droppedFrames) : tr("no stream"));
    c.facts.emplace_back(tr("Encoder"), number(o.countsPerSecond, tr("counts a second"), 0));
    c.facts.emplace_back(tr("Belt speed"),
                         f.beltSpeed ? TriggerVerdict::speedText(*f.beltSpeed) : tr("not known"));
    c.facts.emplace_back(tr("Fastest belt without missed lines"),
                         f.fastestBelt ? TriggerVerdict::speedText(*f.fastestBelt) : tr("not known"));
    c.facts.emplace_back(tr("Lines per mm"), number(f.linesPerMm, QString(), 3));
    c.facts.emplace_back(tr("Stretch (1 is square)"), number(f.stretch, QString(), 3));
    c.facts.emplace_back(tr("Stretch the circles measure"), number(o.stretchFromImage, QString(), 3));
    c.facts.emplace_back(tr("Installation"),
                         o.installation ? tr("pixels of %1 mm on the object, encoder of %2 pulses per mm")
                                              .arg(o.installation->pixelSize)
                                              .arg(o.installation->pulsesPerMm())
                                        : tr("not known"));
    c.facts.emplace_back(tr("Trigger"), text.value(QStringLiteral("Trigger"), tr("not read yet")));
    c.picture = m_history->snapshot();
    c.trends = m_trends.points();
    c.intervals = intervals();
    c.untimed = untimedLines();
    return c;
}

QString AcquisitionPanel::saveImage(const QString& path, const QMap<QString, QString>& text) const
{
    return LineImage::save(m_history->snapshot(), path, text);
}

void AcquisitionPanel::saveImageAs()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save the newest lines"), QString(),
                                                      tr("Images (*.png *.tif *.tiff)"));
    if (path.isEmpty())
        return;
    // A large image takes a while to compress: on a pooled thread, with what it shows now.
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, this, [this, watcher, path] {
        const QString problem = watcher->result();
        emit message(!problem.isEmpty(), problem.isEmpty() ? tr("Saved the newest lines to %1.").arg(path)
                                                           : tr("Could not save %1: %2").arg(path, problem));
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run([history = m_history, path, text = imageText()] {
        return LineImage::save(history->snapshot(), path, text);
    }));
}

AcquisitionPanel::~AcquisitionPanel()
{
    m_camera.sample(std::chrono::milliseconds(0));
    if (m_source)
        m_source->setEventListener(nullptr); // waits for a call in progress
}

void AcquisitionPanel::installationEdited()
{
    const std::optional<Installation> figures = m_installation->known();
    if (figures && figures->problem().empty()) {
        m_store.save(m_identity, *figures);
        m_calculator->setInputs(*figures);
    } else {
        m_store.forget(m_identity);
    }
    m_check->setInstallation(figures);
}

void AcquisitionPanel::setInstallation(const Installation& figures)
{
    m_installation->setFigures(figures);
    m_installation->setKnown(true);
    m_installation->setEnabled(true);
    m_calculator->setInputs(figures);
    m_check->setInstallation(figures);
}

bool AcquisitionPanel::start()
{
    std::string error;
    m_waterfall.clear();
    m_history->clear();
    m_times->clear();
    m_check->forgetImage();
    m_streamNote.clear();
    if (!m_source || !m_source->startAcquisition(&error)) {
        const QString why = m_source ? QString::fromStdString(error) : tr("the camera has no stream");
        emit message(true, tr("Acquisition did not start: %1").arg(why));
        emit startFailed(why);
        return false;
    }
    return true;
}

void AcquisitionPanel::streamEvent(const LineSource::Event& event)
{
    const QString detail = QString::fromStdString(event.detail);
    using Kind = LineSource::Event::Kind;
    switch (event.kind) {
    case Kind::Started:
        m_streamNote.clear();
        // A start whose answer was lost is told apart from one the camera said yes to.
        emit message(false, event.detail == "the camera started"
                                ? tr("Acquisition started.")
                                : tr("Acquisition started: %1.").arg(detail));
        emit started();
        break;
    case Kind::StartFailed:
        emit message(true, tr("Acquisition did not start: %1").arg(detail));
        emit startFailed(detail);
        break;
    case Kind::Silent:
        m_streamNote = tr("no frames");
        emit message(true, tr("No frames: %1.").arg(detail));
        break;
    case Kind::Flowing:
        m_streamNote.clear();
        emit message(false, tr("Frames arrive again."));
        break;
    case Kind::Taken:
        m_streamNote.clear();
        emit message(true, tr("Acquisition stopped: %1.").arg(detail));
        break;
    }
    showFigures();
}

void AcquisitionPanel::stop()
{
    if (!m_source || !m_source->isAcquiring())
        return;
    m_source->stopAcquisition();
    emit message(false, tr("Acquisition stopped."));
}

QString AcquisitionPanel::figures() const
{
    return m_figures->text();
}

void AcquisitionPanel::showFigures()
{
    if (!m_source) {
        m_figures->setText(tr("This camera has no image stream."));
        return;
    }
    const LineSource::Statistics statistics = m_source->statistics();
    const qint64 now = m_clock.elapsed();
    if (now > m_lastAt && statistics.lines >= m_lastLines) {
        const double seconds = (now - m_lastAt) / 1000.0;
        m_linesPerSecond = (statistics.lines - m_lastLines) / seconds;
        m_framesPerSecond = (statistics.frames - m_lastFrames) / seconds;
    }
    m_lastLines = statistics.lines;
    m_lastFrames = statistics.frames;
    m_lastAt = now;
    const TriggerObservation& o = m_check->observation();
    m_figures->setText(
        tr("%1 lines/s · %2 frames/s · missed triggers %3 · dropped frames %4%5")
            .arg(m_linesPerSecond, 0, 'f', 0)
            .arg(m_framesPerSecond, 0, 'f', 1)
            .arg(o.missedTriggers ? QString::number(*o.missedTriggers) : tr("not available"))
            .arg(statistics.droppedFrames)
            .arg(m_source->isAcquiring()
                     ? (m_streamNote.isEmpty() ? QString() : QStringLiteral(" · ") + m_streamNote)
                     : tr(" · stopped")));
}
