#pragma once

#include "CircleTarget.h"
#include "LineSource.h"
#include "TriggerObservation.h"
#include "TriggerSample.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QTimer>

#include <optional>

class MainWindow;

// --report-acquisition: starts acquisition, lets it run for a while with the window up, and
// prints one JSON object of what came (frames, lines and their rate, missed triggers, dropped
// frames, the encoder's counts and direction, the trigger check's verdict) and of the GUI event
// loop's longest stall meanwhile.
class AcquisitionReport : public QObject
{
    Q_OBJECT

public:
    AcquisitionReport(MainWindow& window, double seconds, QObject* parent = nullptr);

    void start();
    // Where the newest lines are saved at the end; none when empty.
    void setImagePath(const QString& path) { m_imagePath = path; }
    // Where the commissioning report goes at the end; none when empty.
    void setCommissioningReportPath(const QString& path) { m_reportPath = path; }

signals:
    void finished(int exitCode);

private:
    void run();
    void tick();
    void finish();
    void printWhenComplete();
    void print();
    int saveImage(QJsonObject& report) const;
    void writeCommissioningReport(QJsonObject report, int status, const LineSource::Statistics& statistics);
    void output(const QJsonObject& report, int status);

    MainWindow& m_window;
    const double m_seconds;
    QTimer m_ticker; // notes when the event loop was kept from running
    QElapsedTimer m_clock;
    qint64 m_lastTick = 0;
    qint64 m_longestStall = 0;
    qint64 m_blocked = 0;
    std::optional<long long> m_encoderAtStart;
    double m_runSeconds = 0.0;
    TriggerObservation m_observation; // as the run ended
    QString m_verdict;
    // What comes after the stop: the camera's final counts and the circles in the last lines.
    std::optional<TriggerSample> m_final;
    bool m_sampleDone = false;
    std::optional<CircleTarget::Measurement> m_image;
    bool m_imageDone = false;
    bool m_printed = false;
    QString m_imagePath;
    QString m_reportPath;
};
