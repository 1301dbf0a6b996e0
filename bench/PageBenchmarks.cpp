#include "LineTriggerWidget.h"
#if LINETRIGGER_WITH_ARAVIS
#include "GenicamCamera.h"
#include "GvcpRelay.h"
#endif
#include "PlugInHostInterface2.h"
#include "PluginFeatureObserver.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "ViewerExtensionInterface.h"
#include "ui_LineTriggerWidget.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLockFile>
#include <QPainter>
#include <QPluginLoader>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTabWidget>

#include <benchmark/benchmark.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

// A host that swallows the log and offers the camera and a tab widget.
class BenchHost : public PlugInHostInterface2
{
public:
    uint32_t getInterfaceVersion() const override { return 2; }
    void log(PlugInHostLogLevel, const QString&) override {}
    void logRecord(const PlugInHostLogRecord&) override {}
    QVector<std::shared_ptr<Tovrik::Feature>> getFeatures(int) override
    {
        return QVector<std::shared_ptr<Tovrik::Feature>>(features.begin(), features.end());
    }
    QWidget* getWidget(const QString& name) override { return name.isEmpty() ? &parent : &tabs; }

    std::vector<std::shared_ptr<Tovrik::Feature>> features;
    QWidget parent;
    QTabWidget tabs;
};

struct ShownPage
{
    ShownPage()
    {
        page = std::make_unique<LineTriggerWidget>(camera->features(), host, nullptr);
        page->resize(800, 1000);
        page->show();
        QCoreApplication::processEvents();
    }
    void tick() { QMetaObject::invokeMethod(page.get(), "updateTimer"); }

    std::shared_ptr<SimCamera> camera = SimCameraBuilder::lineScanCamera().build();
    BenchHost host;
    std::unique_ptr<LineTriggerWidget> page;
};

// R: the least work that shows a new diagram, one parse and one render 650 pixels wide.
void BM_ReferenceParseAndRender(benchmark::State& state)
{
    for (auto _ : state) {
        QSvgRenderer renderer(QStringLiteral(":/Linetrigger_2ch_differential.svg"));
        const QSize size = renderer.defaultSize().scaled(650, 100000, Qt::KeepAspectRatio);
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        renderer.render(&painter);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_ReferenceParseAndRender)->Unit(benchmark::kMicrosecond);

// An operator action and the one that undoes it, on a page set up for them.
struct ActionPair
{
    std::function<void(LineTriggerWidget&)> setup;
    std::function<void(LineTriggerWidget&)> there;
    std::function<void(LineTriggerWidget&)> back;
};

void chooseText(QComboBox* box, const char* text)
{
    box->setCurrentText(QString::fromUtf8(text));
}

const ActionPair modeSwitch{[](LineTriggerWidget&) {},
                            [](LineTriggerWidget& p) { p.rb_triggerModeEncoderSignal->click(); },
                            [](LineTriggerWidget& p) {
                                p.rb_triggerModeinternal->click();
                            }};
const ActionPair channels{[](LineTriggerWidget& p) { p.rb_triggerModeEncoderSignal->click(); },
                          [](LineTriggerWidget& p) { chooseText(p.cb_EncoderChannels, "2"); },
                          [](LineTriggerWidget& p) {
                              chooseText(p.cb_EncoderChannels, "1");
                          }};
const ActionPair signalType{
    [](LineTriggerWidget& p) { p.rb_triggerModeEncoderSignal->click(); },
    [](LineTriggerWidget& p) { chooseText(p.cb_EncoderSignalType, "Single-Ended (LVCMOS)"); },
    [](LineTriggerWidget& p) {
        chooseText(p.cb_EncoderSignalType, "Differential (RS422)");
    }};
const ActionPair sourceA{[](LineTriggerWidget& p) {
                             p.rb_triggerModeEncoderSignal->click();
                             chooseText(p.cb_EncoderSignalType, "Single-Ended (LVCMOS)");
                         },
                         [](LineTriggerWidget& p) { chooseText(p.cb_EncoderSourceA, "Line3 - IO Pin 3"); },
                         [](LineTriggerWidget& p) {
                             chooseText(p.cb_EncoderSourceA, "Line4 - IO Pin 8");
                         }};
const ActionPair direction{[](LineTriggerWidget& p) { p.rb_triggerModeEncoderSignal->click(); },
                           [](LineTriggerWidget& p) { p.cb_EncoderDirection->setCurrentIndex(1); },
                           [](LineTriggerWidget& p) {
                               p.cb_EncoderDirection->setCurrentIndex(0);
                           }};

// Argument 1: the page's window is painted synchronously after each action, as the operator
// waits for it; argument 0: the handler alone.
void BM_Action(benchmark::State& state, const ActionPair* pair)
{
    ShownPage shown;
    pair->setup(*shown.page);
    QCoreApplication::processEvents();
    const bool repaint = state.range(0) != 0;
    for (auto _ : state) {
        pair->there(*shown.page);
        if (repaint)
            shown.page->window()->repaint();
        pair->back(*shown.page);
        if (repaint)
            shown.page->window()->repaint();
    }
}
BENCHMARK_CAPTURE(BM_Action, ModeSwitch, &modeSwitch)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Action, Channels, &channels)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Action, SignalType, &signalType)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Action, SourceA, &sourceA)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Action, Direction, &direction)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_TickAllObservedChanged(benchmark::State& state)
{
    ShownPage shown;
    shown.page->rb_triggerModeEncoderSignal->click();
    const QStringList observed{"ExposureTime",    "AcquisitionLineRate", "TriggerMode",
                               "TriggerSelector", "EncoderDividerFloat", "EncoderSourceA",
                               "EncoderSourceB",  "MasterSlaveMode",     "LineInverter"};
    for (auto _ : state) {
        state.PauseTiming();
        for (const QString& name : observed)
            QMetaObject::invokeMethod(shown.page.get(), "OnFeatureChanged", Q_ARG(QString, name));
        state.ResumeTiming();
        shown.tick();
    }
}
BENCHMARK(BM_TickAllObservedChanged)->Unit(benchmark::kMicrosecond);

// Start-up is timed from nothing to the first shown frame; taking things down again, and the
// host's own window, are outside the timed part for the page and its reference alike.
const QString& disabledLookStyleSheet()
{
    static const QString styleSheet =
        QStringLiteral("QPushButton:disabled, QLineEdit:disabled, QComboBox:disabled, "
                       "QDoubleSpinBox:disabled, QSpinBox:disabled, QGroupBox:disabled, "
                       "QLabel:disabled { color: gray }");
    return styleSheet;
}

enum class FormStyle { Bare, StyledBeforeSetup, StyledAfterSetup };

void showForm(benchmark::State& state, FormStyle style)
{
    for (auto _ : state) {
        auto widget = std::make_unique<QWidget>();
        if (style == FormStyle::StyledBeforeSetup)
            widget->setStyleSheet(disabledLookStyleSheet());
        Ui::LineTriggerWidget form;
        form.setupUi(widget.get());
        if (style == FormStyle::StyledAfterSetup)
            widget->setStyleSheet(disabledLookStyleSheet());
        widget->show();
        QCoreApplication::processEvents();
        state.PauseTiming();
        widget.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_BareFormShown(benchmark::State& state)
{
    showForm(state, FormStyle::Bare);
}
BENCHMARK(BM_BareFormShown)->Unit(benchmark::kMicrosecond);

// The bare form with the page's disabled-look style sheet: how much of start-up that alone costs.
void BM_BareFormWithStyleSheetShown(benchmark::State& state)
{
    showForm(state, FormStyle::StyledBeforeSetup);
}
BENCHMARK(BM_BareFormWithStyleSheetShown)->Unit(benchmark::kMicrosecond);

// The same, with the style sheet set once the controls exist.
void BM_BareFormStyledAfterSetupShown(benchmark::State& state)
{
    showForm(state, FormStyle::StyledAfterSetup);
}
BENCHMARK(BM_BareFormStyledAfterSetupShown)->Unit(benchmark::kMicrosecond);

// The styled form installed the way the page is: created under the host's parking widget, then
// moved into the tab widget, which makes Qt polish every control of a widget with its own style
// sheet once more.
void BM_StyledFormInstalledAsATab(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto host = std::make_unique<BenchHost>();
        host->tabs.addTab(new QWidget, QStringLiteral("Device"));
        host->tabs.show();
        QCoreApplication::processEvents();
        state.ResumeTiming();

        auto* widget = new QWidget(&host->parent);
        widget->setStyleSheet(disabledLookStyleSheet());
        Ui::LineTriggerWidget form;
        form.setupUi(widget);
        host->tabs.addTab(widget, QStringLiteral("Line Trigger"));
        host->tabs.setCurrentIndex(host->tabs.count() - 1);
        QCoreApplication::processEvents();

        state.PauseTiming();
        host.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StyledFormInstalledAsATab)->Unit(benchmark::kMicrosecond);

// The host's window is up with its "Device" tab when the plug-in is loaded, as in the viewer.
void BM_PluginLoadInitializeAndShow(benchmark::State& state)
{
    auto camera = SimCameraBuilder::lineScanCamera().build();
    for (auto _ : state) {
        state.PauseTiming();
        auto host = std::make_unique<BenchHost>();
        host->features = camera->features();
        host->tabs.addTab(new QWidget, QStringLiteral("Device"));
        host->tabs.show();
        QCoreApplication::processEvents();
        state.ResumeTiming();

        QPluginLoader loader(QStringLiteral(LINETRIGGER_PLUGIN_PATH));
        auto* extension = qobject_cast<ViewerExtensionInterface*>(loader.instance());
        if (!extension || !extension->initialize(host.get())) {
            state.SkipWithError("plug-in did not install");
            return;
        }
        host->tabs.setCurrentIndex(host->tabs.count() - 1);
        QCoreApplication::processEvents();

        state.PauseTiming();
        extension->deinitialize(host.get());
        host.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PluginLoadInitializeAndShow)->Unit(benchmark::kMicrosecond);

constexpr int notificationsPerRun = 2000;

// SDK threads to OnFeatureChanged: the observer's signal, queued to the page's thread.
void BM_ObserverThroughput(benchmark::State& state)
{
    auto camera = SimCameraBuilder::lineScanCamera().build();
    PluginFeatureObserver observer;
    QObject receiver;
    int received = 0;
    QObject::connect(&observer, &PluginFeatureObserver::setChangedFeature, &receiver,
                     [&received](const QString&) { ++received; });
    std::shared_ptr<Tovrik::Feature> feature = camera->feature("TriggerMode");
    for (auto _ : state) {
        received = 0;
        std::thread sdk([&] {
            std::shared_ptr<Tovrik::Feature> copy = feature;
            for (int i = 0; i < notificationsPerRun; ++i)
                observer.featureUpdated(copy);
        });
        sdk.join();
        while (received < notificationsPerRun)
            QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * notificationsPerRun);
}
// Wall time: the SDK thread's work counts as much as the page thread's.
BENCHMARK(BM_ObserverThroughput)->Unit(benchmark::kMicrosecond)->UseRealTime();

class PlainSender : public QObject
{
    Q_OBJECT
signals:
    void text(QString value);
};

void BM_PlainQueuedSignalThroughput(benchmark::State& state)
{
    PlainSender sender;
    QObject receiver;
    int received = 0;
    QObject::connect(&sender, &PlainSender::text, &receiver, [&received](const QString&) { ++received; });
    for (auto _ : state) {
        received = 0;
        std::thread other([&] {
            for (int i = 0; i < notificationsPerRun; ++i)
                emit sender.text(QStringLiteral("TriggerMode"));
        });
        other.join();
        while (received < notificationsPerRun)
            QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * notificationsPerRun);
}
BENCHMARK(BM_PlainQueuedSignalThroughput)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

#if LINETRIGGER_WITH_ARAVIS
// Runs last, so that the fake camera's process and Aravis's polling disturb no other benchmark.
// Aravis's fake GigE Vision camera behind a relay that holds every packet 1 ms each way: a camera
// a few switches away. Started once; stopped from main.
struct NetworkRig
{
    NetworkRig()
    {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("arv-fake-gv-camera-0.8"));
        if (tool.isEmpty() || !lock.tryLock(120000)) {
            problem = "arv-fake-gv-camera-0.8 is not installed, or another run holds 127.0.0.1:3956";
            return;
        }
        fake.start(tool, {"-i", "127.0.0.1", "-s", "40123-0042", "-g",
                          QString::fromStdString(GenicamCamera::descriptionFile())});
        relay.delayMicroseconds = 1000;
        if (!fake.waitForStarted(5000) || !relay.start(&problem))
            return;
        for (int attempt = 0; attempt < 20 && !camera; ++attempt)
            camera = GenicamCamera::open("127.0.0.2", &problem);
        if (camera)
            camera->writeSettings(GenicamCamera::powerUpSettings());
    }
    ~NetworkRig()
    {
        camera.reset();
        relay.stop();
        fake.terminate();
        fake.waitForFinished(5000);
    }
    // The action's floor: its writes and each register it had to read, one round trip each.
    static double floorMicroseconds(const GvcpRelay::Counts& counts)
    {
        return 2000.0 * double(counts.of("WRITEREG") + counts.of("WRITEMEM") + counts.addressesRead);
    }

    QLockFile lock{QDir::temp().filePath(QStringLiteral("linetrigger-fake-gv-camera.lock"))};
    QProcess fake;
    GvcpRelay relay{"127.0.0.2", "127.0.0.1"};
    std::shared_ptr<GenicamCamera> camera;
    std::string problem;
};

std::unique_ptr<NetworkRig>& networkRig()
{
    static std::unique_ptr<NetworkRig> rig;
    if (!rig)
        rig = std::make_unique<NetworkRig>();
    return rig;
}

void settle(std::chrono::milliseconds duration)
{
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Each action's wall time against its floor, on the camera behind the slow relay. The poll that
// follows an action runs between actions, outside the timing.
void BM_ActionOverTheNetwork(benchmark::State& state, const ActionPair* pair)
{
    NetworkRig& rig = *networkRig();
    if (!rig.camera) {
        state.SkipWithError(rig.problem.c_str());
        return;
    }
    BenchHost host;
    LineTriggerWidget page(rig.camera->features(), host, nullptr);
    page.show();
    pair->setup(page);
    double floor = 0.0;
    uint64_t commands = 0;
    for (auto _ : state) {
        for (const auto* action : {&pair->there, &pair->back}) {
            state.PauseTiming();
            settle(std::chrono::milliseconds(400));
            rig.relay.takeCounts();
            state.ResumeTiming();
            (*action)(page);
            state.PauseTiming();
            const GvcpRelay::Counts counts = rig.relay.takeCounts();
            floor += NetworkRig::floorMicroseconds(counts);
            commands += counts.total;
            state.ResumeTiming();
        }
    }
    state.counters["floor_us"] = floor / double(state.iterations());
    state.counters["commands"] = double(commands) / double(state.iterations());
}
BENCHMARK_CAPTURE(BM_ActionOverTheNetwork, ModeSwitch, &modeSwitch)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ActionOverTheNetwork, Channels, &channels)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ActionOverTheNetwork, SignalType, &signalType)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ActionOverTheNetwork, SourceA, &sourceA)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ActionOverTheNetwork, Direction, &direction)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
#endif

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
#if LINETRIGGER_WITH_ARAVIS
    networkRig().reset(); // the fake camera goes before the application
#endif
    return 0;
}

#include "PageBenchmarks.moc"
