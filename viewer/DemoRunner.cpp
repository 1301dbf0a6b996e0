#include "DemoRunner.h"

#include "AcquisitionPanel.h"
#include "FeatureAccess.h"
#include "FeatureName.h"
#include "LogPanel.h"
#include "MainWindow.h"
#include "TrendsPanel.h"
#include "ViewerCamera.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QImageWriter>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace {

// Long enough for the page's once-per-second refresh to pick up the camera's answers, also when
// a GenICam camera's changes are first found by polling.
constexpr int settleMs = 1500;
// Lines arrive a frame at a time; at the encoder's slower line rate the view needs a few frames.
constexpr int liveSettleMs = 4000;

} // namespace

DemoRunner::DemoRunner(MainWindow* window, const QString& outputDirectory, QObject* parent)
    : QObject(parent), m_window(window), m_outputDirectory(outputDirectory)
{
    const auto done = [](bool ok) {
        return ok ? Outcome::Done : Outcome::Failed;
    };
    m_steps = {
        {tr("The page as it opens: internal line trigger"), [] { return Outcome::Done; }, "01-internal.png"},
        {tr("Operator selects the external encoder signal"),
         [this, done] { return done(click("rb_triggerModeEncoderSignal")); },
         "02-encoder-1ch-differential.png"},
        {tr("Signal type single-ended"),
         [this, done] { return done(choose("cb_EncoderSignalType", "Single-Ended (LVCMOS)")); }, QString()},
        {tr("Channel A on Line3"),
         [this, done] { return done(choose("cb_EncoderSourceA", "Line3 - IO Pin 3")); },
         "03-encoder-1ch-single-line3.png"},
        {tr("Channel A on Line4"),
         [this, done] { return done(choose("cb_EncoderSourceA", "Line4 - IO Pin 8")); },
         "04-encoder-1ch-single-line4.png"},
        {tr("Two encoder channels"), [this, done] { return done(choose("cb_EncoderChannels", "2")); },
         "05-encoder-2ch-differential.png"},
        {tr("Direction counter-clockwise"),
         [this, done] { return done(choose("cb_EncoderDirection", "Counter-Clockwise")); }, QString()},
        {tr("Another tool makes the camera a slave"),
         [this, done] {
             return done(m_window->camera().writeAsAnotherTool(FeatureName::MasterSlaveMode, "Slave") == 0);
         },
         "06-slave.png"},
        {tr("And a master again"),
         [this, done] {
             return done(m_window->camera().writeAsAnotherTool(FeatureName::MasterSlaveMode, "Master") == 0);
         },
         "07-master-again.png"},
        {tr("Internal line trigger while the belt runs: the chart comes out stretched"),
         [this, done] { return done(click("rb_triggerModeinternal") && m_window->acquisition()->start()); },
         "08-live-internal-stretched.png", true},
        {tr("The encoder triggers the lines, one per pixel's size of travel: round circles"),
         [this, done] {
             return done(click("rb_triggerModeEncoderSignal") && choose("cb_EncoderDirection", "Clockwise"));
         },
         "09-live-encoder-round.png", true},
        {tr("The encoder rewired to Line3 (single-ended) while the page still listens to Line1"),
         [this] { return rewire("single-ended (LVCMOS)", "Line3", "none", 250.0); }, "10-live-miswired.png",
         true},
        {tr("Wired right again, the belt at 5 m/s: more triggers than the exposure allows"),
         [this] { return rewire("differential (RS422)", "Line1", "Line2", 5000.0); },
         "11-live-overtrigger.png", true},
        {tr("The belt's speed swings by 3 % once a second (where there is a bench): the trends of the "
            "session and the intervals between lines"),
         [this] {
             // A GenICam camera's trends are shown as they are: its machine is not the viewer's.
             if (QWidget* bench = m_window->acquisition()->bench()) {
                 auto* ripple = bench->findChild<QDoubleSpinBox*>(QStringLiteral("speedRipple"));
                 if (!ripple)
                     return Outcome::Failed;
                 ripple->setValue(3.0);
             }
             m_window->sideTabs()->setCurrentWidget(m_window->acquisition()->trends());
             return Outcome::Done;
         },
         "12-trends.png", true},
    };
}

void DemoRunner::start()
{
    QDir().mkpath(m_outputDirectory);
    std::printf("Headless demo: screenshots go to %s\n", qPrintable(QDir(m_outputDirectory).absolutePath()));
    QTimer::singleShot(settleMs, this, [this] { runStep(0); });
}

void DemoRunner::runStep(size_t index)
{
    if (index >= m_steps.size()) {
        finish();
        return;
    }
    const Step& step = m_steps[index];
    const Outcome outcome = step.action();
    if (outcome == Outcome::Failed)
        ++m_failures;
    std::printf("step %zu: %s%s\n", index + 1, qPrintable(step.description),
                outcome == Outcome::Failed ? "  (control not found)"
                : outcome == Outcome::Skipped
                    ? "  (skipped: this camera has no bench; the machine in front of a "
                      "real camera is not the viewer's to change)"
                    : "");
    std::fflush(stdout);
    if (outcome == Outcome::Skipped) {
        QTimer::singleShot(0, this, [this, index] { runStep(index + 1); });
        return;
    }
    QTimer::singleShot(step.live ? liveSettleMs : settleMs, this, [this, index] {
        const QString name = m_steps[index].screenshot;
        if (!name.isEmpty()) {
            const QString path = QDir(m_outputDirectory).filePath(name);
            QImageWriter writer(path);
            if (writer.write(m_window->grab().toImage())) {
                std::printf("        saved %s\n", qPrintable(path));
            } else {
                ++m_failures;
                std::printf("        could not save %s: %s\n", qPrintable(path),
                            qPrintable(writer.errorString()));
            }
        }
        runStep(index + 1);
    });
}

void DemoRunner::finish()
{
    m_window->acquisition()->stop();
    std::printf("\nHost log:\n");
    for (const QString& message : m_window->logPanel()->messages())
        std::printf("  %s\n", qPrintable(message));
    const QString journal = m_window->camera().journal();
    if (!journal.isEmpty()) {
        std::printf("\nCamera write journal:\n%s\n", qPrintable(journal));
    } else {
        std::printf("\nCamera values:\n");
        const FeatureAccess access(m_window->camera().features());
        using namespace FeatureName;
        for (const char* name :
             {TriggerSelector, TriggerMode, TriggerSource, EncoderSourceA, EncoderSourceB, EncoderMode,
              EncoderDividerFloat, LineSelector, LineInverter, MasterSlaveMode}) {
            QString value;
            try {
                value = access.getValueAsString(QString::fromLatin1(name));
            } catch (const std::exception& exception) {
                value = QString::fromUtf8(exception.what());
            }
            std::printf("  %s = %s\n", name, qPrintable(value));
        }
    }
    std::fflush(stdout);
    emit finished(m_failures == 0 ? 0 : 1);
}

bool DemoRunner::choose(const char* comboName, const QString& text)
{
    auto* box = m_window->findChild<QComboBox*>(QString::fromLatin1(comboName));
    if (!box || box->findText(text) < 0)
        return false;
    box->setCurrentIndex(box->findText(text));
    return true;
}

DemoRunner::Outcome DemoRunner::rewire(const QString& output, const QString& lineA, const QString& lineB,
                                       double beltSpeed)
{
    QWidget* bench = m_window->acquisition()->bench();
    if (!bench)
        return Outcome::Skipped;
    auto* speed = bench->findChild<QDoubleSpinBox*>(QStringLiteral("beltSpeed"));
    if (!speed || !choose("encoderOutput", output) || !choose("channelA", lineA) ||
        !choose("channelB", lineB))
        return Outcome::Failed;
    speed->setValue(beltSpeed);
    return Outcome::Done;
}

bool DemoRunner::click(const char* buttonName)
{
    auto* button = m_window->findChild<QAbstractButton*>(QString::fromLatin1(buttonName));
    if (!button)
        return false;
    button->click();
    return true;
}
