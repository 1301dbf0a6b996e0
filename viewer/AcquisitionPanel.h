#pragma once

#include "Installation.h"
#include "InstallationStore.h"
#include "LineSource.h"
#include "LineTimes.h"
#include "TrendRecorder.h"
#include "TriggerObservation.h"
#include "Waterfall.h"

#include "CircleTarget.h"
#include "CommissioningReport.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QMap>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>

class Calculator;
class InstallationEditor;
class LineHistory;
class LineIntake;
class LiveView;
class QLabel;
class QPushButton;
class QVBoxLayout;
class TriggerCheck;
class TrendsPanel;
class ViewerCamera;

// Acquisition beside the page: start and stop, the live view of the lines, the figures (lines and
// frames per second, missed triggers, dropped frames), the trigger check, and the tools: the
// simulated camera's bench and the calculator. The camera's samples feed the check and the
// calculator; nothing here waits on the camera but start and stop.
class AcquisitionPanel : public QWidget
{
    Q_OBJECT

public:
    explicit AcquisitionPanel(ViewerCamera& camera, QWidget* parent = nullptr);
    ~AcquisitionPanel() override;

    // Asks for a start; false when it cannot even be asked. What became of it is said in the log
    // and by started() or startFailed(), at once or when the camera answered.
    bool start();
    void stop();
    LiveView* liveView() const { return m_view; }
    TriggerCheck* triggerCheck() const { return m_check; }
    // The simulated camera's bench; null for other cameras.
    QWidget* bench() const { return m_bench; }
    Calculator* calculator() const { return m_calculator; }
    // The session's trends and the intervals between lines; the host places it.
    TrendsPanel* trends() const { return m_trendsPanel; }
    const TrendRecorder& trendRecorder() const { return m_trends; }
    std::optional<LineTimes::Summary> intervals() const;
    bool untimedLines() const;
    InstallationEditor* installation() const { return m_installation; }
    // Figures given for this run (the command line): used, not kept.
    void setInstallation(const Installation& figures);
    QString figures() const;
    // Measures the circles in the lines kept now, acquiring or not, after a measurement already
    // running; imageMeasured() gives each result with its number. Returns the number of the one
    // that will see the lines kept now.
    uint64_t measureImage();
    // The newest lines at full resolution (at most LineImage::maxLines) with what they show in the
    // file's text fields; empty, or why not. saveImageAs() asks for the file and saves on a pooled
    // thread, saying the outcome in the log.
    QString saveImage(const QString& path, const QMap<QString, QString>& text) const;
    void saveImageAs();
    // What the lines show: as the check sees it now, or as it saw it then.
    QMap<QString, QString> imageText() const;
    QMap<QString, QString> imageText(const TriggerObservation& observation, const QString& verdict) const;
    // The commissioning report's contents but the camera's settings: as the check sees it now, or
    // as it saw it then.
    CommissioningReport::Contents reportContents() const;
    CommissioningReport::Contents reportContents(const TriggerObservation& observation,
                                                 const QString& verdict) const;

signals:
    // For the host log: acquisition started or stopped, or why not; frames that stopped coming.
    void message(bool failure, const QString& text);
    void started();
    void startFailed(const QString& why);
    void imageMeasured(const std::optional<CircleTarget::Measurement>& measurement, uint64_t number);

private:
    void createControls(QVBoxLayout* layout);
    QWidget* createView();
    QWidget* createTools(QWidget* parent);
    void startImageMeasurements();
    void showFigures();
    void recordTrends();
    void installationEdited();
    void streamEvent(const LineSource::Event& event);

    ViewerCamera& m_camera;
    LineSource* m_source = nullptr;
    Waterfall m_waterfall;
    // Shared with a measurement still running when the panel goes.
    std::shared_ptr<LineHistory> m_history;
    std::shared_ptr<LineTimes> m_times;
    std::unique_ptr<LineIntake> m_intake;
    QFutureWatcher<std::optional<CircleTarget::Measurement>> m_measuring;
    QTimer m_imageTimer;
    uint64_t m_measurements = 0; // started so far
    bool m_measureAgain = false; // asked for while one ran
    LiveView* m_view = nullptr;
    TriggerCheck* m_check = nullptr;
    QWidget* m_bench = nullptr;
    Calculator* m_calculator = nullptr;
    InstallationEditor* m_installation = nullptr;
    InstallationStore m_store;
    QString m_identity;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_save = nullptr;
    QLabel* m_figures = nullptr;
    QTimer m_timer;
    QElapsedTimer m_clock;
    uint64_t m_lastLines = 0;
    uint64_t m_lastFrames = 0;
    qint64 m_lastAt = 0;
    double m_linesPerSecond = 0.0;
    double m_framesPerSecond = 0.0;
    QString m_streamNote; // what the stream said last, while it holds
    TrendRecorder m_trends;
    TrendsPanel* m_trendsPanel = nullptr;
    QTimer m_trendTimer;
    qint64 m_trendAt = 0;
    uint64_t m_trendLines = 0;
    uint64_t m_trendDropped = 0;
    long long m_trendMissed = 0;
};
