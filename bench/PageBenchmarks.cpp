#include "LineTriggerWidget.h"
#include "PlugInHostInterface2.h"
#include "PluginFeatureObserver.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "ViewerExtensionInterface.h"
#include "ui_LineTriggerWidget.h"

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPluginLoader>
#include <QSvgRenderer>
#include <QTabWidget>

#include <benchmark/benchmark.h>

#include <atomic>
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

void BM_ModeSwitchBothWays(benchmark::State& state)
{
    ShownPage shown;
    for (auto _ : state) {
        shown.page->rb_triggerModeEncoderSignal->click();
        shown.page->rb_triggerModeinternal->click();
    }
}
BENCHMARK(BM_ModeSwitchBothWays)->Unit(benchmark::kMicrosecond);

void BM_ChannelsOneTwoOne(benchmark::State& state)
{
    ShownPage shown;
    shown.page->rb_triggerModeEncoderSignal->click();
    for (auto _ : state) {
        shown.page->cb_EncoderChannels->setCurrentText(QStringLiteral("2"));
        shown.page->cb_EncoderChannels->setCurrentText(QStringLiteral("1"));
    }
}
BENCHMARK(BM_ChannelsOneTwoOne)->Unit(benchmark::kMicrosecond);

void BM_SignalTypeBothWays(benchmark::State& state)
{
    ShownPage shown;
    shown.page->rb_triggerModeEncoderSignal->click();
    for (auto _ : state) {
        shown.page->cb_EncoderSignalType->setCurrentText(QStringLiteral("Single-Ended (LVCMOS)"));
        shown.page->cb_EncoderSignalType->setCurrentText(QStringLiteral("Differential (RS422)"));
    }
}
BENCHMARK(BM_SignalTypeBothWays)->Unit(benchmark::kMicrosecond);

void BM_SourceALine3Line4(benchmark::State& state)
{
    ShownPage shown;
    shown.page->rb_triggerModeEncoderSignal->click();
    shown.page->cb_EncoderSignalType->setCurrentText(QStringLiteral("Single-Ended (LVCMOS)"));
    for (auto _ : state) {
        shown.page->cb_EncoderSourceA->setCurrentText(QStringLiteral("Line3 - IO Pin 3"));
        shown.page->cb_EncoderSourceA->setCurrentText(QStringLiteral("Line4 - IO Pin 8"));
    }
}
BENCHMARK(BM_SourceALine3Line4)->Unit(benchmark::kMicrosecond);

void BM_DirectionBothWays(benchmark::State& state)
{
    ShownPage shown;
    shown.page->rb_triggerModeEncoderSignal->click();
    for (auto _ : state) {
        shown.page->cb_EncoderDirection->setCurrentIndex(1);
        shown.page->cb_EncoderDirection->setCurrentIndex(0);
    }
}
BENCHMARK(BM_DirectionBothWays)->Unit(benchmark::kMicrosecond);

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

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#include "PageBenchmarks.moc"
