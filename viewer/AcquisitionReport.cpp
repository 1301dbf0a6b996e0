#include "AcquisitionReport.h"

#include "AcquisitionPanel.h"
#include "LineSource.h"
#include "MainWindow.h"
#include "TriggerCheck.h"
#include "TriggerVerdict.h"
#include "ViewerCamera.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTabWidget>

#include <cstdio>

namespace {

// The page shows and settles first, as an operator would wait for it.
constexpr int settleMs = 1500;
// Stalls of the event loop longer than this count as time the GUI was blocked.
constexpr qint64 blockedAfterMs = 50;
// How long the report waits for the camera's counts after the stop.
constexpr int finalSampleMs = 2000;
// How long it waits for the circles of the last lines (a slow measurement under sanitizers).
constexpr int finalImageMs = 10000;

} // namespace

AcquisitionReport::AcquisitionReport(MainWindow& window, double seconds, QObject* parent)
    : QObject(parent), m_window(window), m_seconds(seconds), m_ticker(this)
{
    m_ticker.setTimerType(Qt::PreciseTimer);
    connect(&m_ticker, &QTimer::timeout, this, &AcquisitionReport::tick);
}

void AcquisitionReport::start()
{
    QTimer::singleShot(settleMs, this, [this] {
        // The check's newest sample: the report never waits on the camera.
        m_encoderAtStart = m_window.acquisition()->triggerCheck()->observation().encoderValue;
        AcquisitionPanel* panel = m_window.acquisition();
        connect(panel, &AcquisitionPanel::started, this, &AcquisitionReport::run, Qt::UniqueConnection);
        connect(panel, &AcquisitionPanel::startFailed, this, [this](const QString& why) {
            if (m_clock.isValid())
                return; // a start after a camera came back
            std::fprintf(stderr, "Acquisition did not start: %s\n", qPrintable(why));
            emit finished(2);
        });
        panel->start();
    });
}

void AcquisitionReport::run()
{
    if (m_clock.isValid())
        return; // started again after the camera came back: the run goes on
    m_clock.start();
    m_ticker.start(1);
    // Precise: a coarse timer may end a run of seconds 5 % early.
    QTimer::singleShot(static_cast<int>(m_seconds * 1000.0), Qt::PreciseTimer, this,
                       &AcquisitionReport::finish);
}

void AcquisitionReport::tick()
{
    const qint64 now = m_clock.elapsed();
    const qint64 stall = now - m_lastTick;
    m_longestStall = std::max(m_longestStall, stall);
    // Kept from running longer than an operator notices: the GUI was blocked.
    if (stall > blockedAfterMs)
        m_blocked += stall;
    m_lastTick = now;
}

void AcquisitionReport::finish()
{
    m_ticker.stop();
    m_runSeconds = m_clock.nsecsElapsed() * 1e-9;
    TriggerCheck* check = m_window.acquisition()->triggerCheck();
    m_observation = check->observation();
    m_verdict = check->verdict();
    m_window.acquisition()->stop();
    // The camera's counts of this run, final once it stopped, come with the next sample; the line
    // count of the same moment goes with them.
    AcquisitionPanel* panel = m_window.acquisition();
    connect(&m_window.camera(), &ViewerCamera::sampled, this, [this](const TriggerSample& sample) {
        if (sample.acquiring || m_sampleDone)
            return;
        m_final = sample;
        m_sampleDone = true;
        printWhenComplete();
    });
    // The circles of the run's last lines: a measurement that began before the stop saw fewer.
    const uint64_t wanted = panel->measureImage();
    connect(panel, &AcquisitionPanel::imageMeasured, this,
            [this, wanted](const std::optional<CircleTarget::Measurement>& measurement, uint64_t number) {
                if (m_imageDone || number < wanted)
                    return;
                m_image = measurement;
                m_imageDone = true;
                printWhenComplete();
            });
    QTimer::singleShot(finalSampleMs, this, [this] {
        m_sampleDone = true;
        printWhenComplete();
    });
    QTimer::singleShot(finalImageMs, this, [this] {
        m_imageDone = true;
        printWhenComplete();
    });
}

void AcquisitionReport::printWhenComplete()
{
    if (m_sampleDone && m_imageDone && !m_printed)
        print();
}

namespace {

QJsonValue orNull(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue();
}

} // namespace

void AcquisitionReport::print()
{
    const std::optional<TriggerSample>& final = m_final;
    m_printed = true;
    // The circles of the run's last lines; those seen shortly before when none are in view now.
    // The image's texts and the commissioning report say the same.
    if (m_image)
        m_observation.stretchFromImage = m_image->stretch;
    const LineSource::Statistics statistics = m_window.camera().lineSource()->statistics();
    const TriggerObservation& observation = m_observation;
    std::optional<long long> missed = observation.missedTriggers;
    if (final && final->missedTriggers)
        missed = *final->missedTriggers;
    // The belt moves on after the stop: the encoder's count of the run is the one seen as it ended.
    const std::optional<long long> encoderAtEnd = observation.encoderValue;
    const TriggerVerdict::Figures figures = TriggerVerdict::figures(observation);
    const double seconds = m_runSeconds;

    QJsonObject report;
    report[QStringLiteral("camera")] = m_window.camera().source();
    report[QStringLiteral("seconds")] = seconds;
    report[QStringLiteral("frames")] = static_cast<double>(statistics.frames);
    report[QStringLiteral("lines")] = static_cast<double>(final ? final->lines : statistics.lines);
    report[QStringLiteral("linesPerSecond")] = statistics.lines / seconds;
    report[QStringLiteral("droppedFrames")] = static_cast<double>(statistics.droppedFrames);
    report[QStringLiteral("incompleteFrames")] = static_cast<double>(statistics.incompleteFrames);
    report[QStringLiteral("missedTriggers")] =
        missed ? QJsonValue(static_cast<double>(*missed)) : QJsonValue();
    const bool counted = m_encoderAtStart && encoderAtEnd;
    report[QStringLiteral("encoderCounts")] =
        counted ? QJsonValue(static_cast<double>(*encoderAtEnd - *m_encoderAtStart)) : QJsonValue();
    report[QStringLiteral("encoderDirection")] = !counted                            ? QJsonValue()
                                                 : *encoderAtEnd > *m_encoderAtStart ? QStringLiteral("up")
                                                 : *encoderAtEnd < *m_encoderAtStart
                                                     ? QStringLiteral("down")
                                                     : QStringLiteral("still");
    report[QStringLiteral("beltSpeed")] = orNull(figures.beltSpeed);
    report[QStringLiteral("linesPerMm")] = orNull(figures.linesPerMm);
    report[QStringLiteral("stretch")] = orNull(figures.stretch);
    report[QStringLiteral("stretchFromImage")] = orNull(observation.stretchFromImage);
    report[QStringLiteral("setLineRate")] = orNull(figures.expectedLineRate);
    report[QStringLiteral("measuredLineRate")] =
        observation.acquiring ? QJsonValue(observation.linesPerSecond) : QJsonValue();
    report[QStringLiteral("verdict")] = m_verdict;
    report[QStringLiteral("longestStallMs")] = static_cast<double>(m_longestStall);
    report[QStringLiteral("blockedMs")] = static_cast<double>(m_blocked);
    report[QStringLiteral("pageInstalled")] = m_window.acquisitionControl()->count() > 1;
    const int status = m_imagePath.isEmpty() ? 0 : saveImage(report);
    if (m_reportPath.isEmpty())
        output(report, status);
    else
        writeCommissioningReport(report, status, statistics);
}

// The newest lines with what they show; 1 when they could not be saved.
int AcquisitionReport::saveImage(QJsonObject& report) const
{
    AcquisitionPanel* panel = m_window.acquisition();
    const QString problem = panel->saveImage(m_imagePath, panel->imageText(m_observation, m_verdict));
    report[QStringLiteral("image")] = problem.isEmpty() ? QJsonValue(m_imagePath) : QJsonValue();
    if (problem.isEmpty())
        return 0;
    std::fprintf(stderr, "--save-image: cannot save %s: %s\n", qPrintable(m_imagePath), qPrintable(problem));
    return 1;
}

// The report's figures of this run, with the camera's settings read after the stop.
void AcquisitionReport::writeCommissioningReport(QJsonObject report, int status,
                                                 const LineSource::Statistics& statistics)
{
    const double seconds = m_runSeconds;
    AcquisitionPanel* panel = m_window.acquisition();
    CommissioningReport::Contents contents = panel->reportContents(m_observation, m_verdict);
    contents.facts.insert(contents.facts.begin(),
                          {tr("This run"), tr("%1 s: %2 lines in %3 frames")
                                               .arg(seconds, 0, 'f', 1)
                                               .arg(report[QStringLiteral("lines")].toDouble())
                                               .arg(statistics.frames)});
    m_window.writeCommissioningReport(
        m_reportPath, std::move(contents),
        [this, report = std::move(report), status](const QString& problem) mutable {
            report[QStringLiteral("commissioningReport")] =
                problem.isEmpty() ? QJsonValue(m_reportPath) : QJsonValue();
            if (!problem.isEmpty()) {
                std::fprintf(stderr, "--commissioning-report: cannot write %s: %s\n",
                             qPrintable(m_reportPath), qPrintable(problem));
                status = 1;
            }
            output(report, status);
        });
}

void AcquisitionReport::output(const QJsonObject& report, int status)
{
    std::printf("%s\n", QJsonDocument(report).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
    emit finished(status);
}
