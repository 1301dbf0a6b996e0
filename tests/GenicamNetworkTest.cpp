#include "FeatureAccess.h"
#include "GenicamCamera.h"
#include "GvcpRelay.h"
#include "LineTriggerWidget.h"
#include "PageDriver.h"
#include "TestHost.h"
#include "TovrikExceptions.h"
#include "TovrikFeature.h"
#include "TovrikStatus.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using Link = GenicamCamera::Link;

// Aravis's fake GigE Vision camera on 127.0.0.1, reached through a relay on 127.0.0.2 that counts,
// delays and swallows its control traffic. Stopped by its PID however the test ends.
class GenicamNetworkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tool = QStandardPaths::findExecutable(QStringLiteral("arv-fake-gv-camera-0.8"));
        if (tool.isEmpty())
            GTEST_SKIP() << "arv-fake-gv-camera-0.8 is not installed (Debian package aravis-tools)";
        // One fake camera on this machine at a time, whichever test run started it.
        ASSERT_TRUE(cameraLock.tryLock(120000)) << "another test run keeps 127.0.0.1:3956";
        startCamera();
        std::string error;
        ASSERT_TRUE(relay.start(&error)) << error;
        for (int attempt = 0; attempt < 20 && !camera; ++attempt)
            camera = GenicamCamera::open(relayAddress, &error);
        ASSERT_TRUE(camera) << error;
        ASSERT_EQ(camera->writeSettings(GenicamCamera::powerUpSettings(), &error), 0) << error;
        camera->setLinkListener([this](Link link, const std::string&) {
            std::lock_guard<std::mutex> lock(mutex);
            links.push_back(link);
        });
    }
    void TearDown() override
    {
        page.reset();
        camera.reset();
        relay.stop();
        stopCamera();
    }

    void startCamera()
    {
        fake = std::make_unique<QProcess>();
        fake->start(tool, {"-i", "127.0.0.1", "-s", "40123-0042", "-g",
                           QString::fromStdString(GenicamCamera::descriptionFile())});
        ASSERT_TRUE(fake->waitForStarted(5000)) << fake->errorString().toStdString();
    }
    void stopCamera()
    {
        if (fake && fake->state() != QProcess::NotRunning) {
            fake->terminate(); // by its PID
            if (!fake->waitForFinished(5000))
                fake->kill();
            EXPECT_TRUE(fake->waitForFinished(5000) || fake->state() == QProcess::NotRunning);
        }
    }

    void showPage()
    {
        page = std::make_unique<LineTriggerWidget>(camera->features(), host, nullptr);
        page->resize(685, 918);
        page->show();
    }
    // Runs the event loop for a while (the page's own timer ticks), noting the longest time it
    // was kept from running.
    void spin(std::chrono::milliseconds duration)
    {
        QElapsedTimer clock;
        clock.start();
        for (qint64 last = 0; clock.elapsed() < duration.count(); last = clock.elapsed()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(2);
            stall = std::max(stall, std::chrono::milliseconds(clock.elapsed() - last));
        }
    }
    bool waitForLink(Link wanted)
    {
        for (int round = 0; round < 100 && camera->link() != wanted; ++round)
            spin(100ms);
        return camera->link() == wanted;
    }

    QString tool;
    QLockFile cameraLock{QDir::temp().filePath(QStringLiteral("linetrigger-fake-gv-camera.lock"))};
    std::unique_ptr<QProcess> fake;
    // A relay address of its own per test: what a closed camera of an earlier test still sends
    // reaches nobody.
    static int nextRelay;
    const std::string relayAddress = "127.0.0." + std::to_string(nextRelay++);
    GvcpRelay relay{relayAddress, "127.0.0.1"};
    std::shared_ptr<GenicamCamera> camera;
    TestHost host;
    std::unique_ptr<LineTriggerWidget> page;
    std::chrono::milliseconds stall{0};
    std::mutex mutex;
    std::vector<Link> links;
};

int GenicamNetworkTest::nextRelay = 2;

} // namespace

TEST_F(GenicamNetworkTest, TrafficStaysWithinItsBudget)
{
    relay.takeCounts();
    showPage();
    QCoreApplication::processEvents();
    const uint64_t opening = relay.takeCounts().total;

    spin(1500ms); // the first poll takes its baselines
    relay.takeCounts();
    const auto idle = 3s;
    spin(idle);
    const double idlePerSecond = relay.takeCounts().total / std::chrono::duration<double>(idle).count();

    std::printf("opening the page: %llu commands; idle: %.1f commands/s\n",
                static_cast<unsigned long long>(opening), idlePerSecond);
    EXPECT_LE(opening, 139u);
    EXPECT_LE(idlePerSecond, 25.0);

    for (const char* step : {"encoder mode", "channels 2", "counter-clockwise", "channels 1", "single-ended",
                             "source A Line3", "source A Line4", "differential", "internal mode"}) {
        relay.takeCounts();
        pageAction(step).run(*page);
        const GvcpRelay::Counts counts = relay.takeCounts();
        const uint64_t writes = counts.of("WRITEREG") + counts.of("WRITEMEM");
        std::printf("%-18s %3llu commands for %2llu writes\n", step,
                    static_cast<unsigned long long>(counts.total), static_cast<unsigned long long>(writes));
#if !LINETRIGGER_SANITIZE
        // Sanitizers slow the page's own work within an action past the 150 ms pause after which
        // the worker polls: the figures are the optimised build's.
        EXPECT_LE(counts.total, 3 * writes + 10) << step;
#endif
        spin(300ms); // the poll that follows, outside the action
    }
    EXPECT_TRUE(host.entries.empty()) << host.messages().join('\n').toStdString();
}

// A pulled cable: nothing passes for a while, then everything does again.
TEST_F(GenicamNetworkTest, LostCameraIsReportedOnceAndTakenBackWhenItReturns)
{
    showPage();
    spin(1500ms);
    relay.commandsToDrop = 1; // a lost packet is sent again: no lost camera
    pageAction("encoder mode").run(*page);
    spin(300ms);
    ASSERT_EQ(camera->value("TriggerMode"), "On");

    stall = {};
    relay.swallowing = true;
    ASSERT_TRUE(waitForLink(Link::Lost));
    // Every operation answers at once now, without waiting for the network.
    QElapsedTimer clock;
    clock.start();
    FeatureAccess access(camera->features());
    EXPECT_THROW(access.getValueAsString("TriggerMode"), Tovrik::NotOpenedException);
    pageAction("internal mode").run(*page);
    EXPECT_LT(clock.elapsed(), 50);
    spin(5s); // the camera stays away past its heartbeat timeout

    relay.swallowing = false;
    ASSERT_TRUE(waitForLink(Link::Connected)) << camera->linkReason();
    spin(1500ms); // the page's next refresh shows the camera's values
    std::printf("longest stall of the event loop while the camera was away: %lld ms\n",
                static_cast<long long>(stall.count()));
    EXPECT_LE(stall, 1300ms) << "the event loop stalled";
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(links, (std::vector<Link>{Link::Lost, Link::Connected}));
    }
    EXPECT_TRUE(page->rb_triggerModeEncoderSignal->isChecked()); // what the camera still holds

    // Control was taken back: writes work again.
    pageAction("internal mode").run(*page);
    EXPECT_EQ(camera->value("TriggerMode"), "Off");
}

TEST_F(GenicamNetworkTest, CameraKilledAndRestartedIsOpenedAgain)
{
    showPage();
    spin(1200ms);
    stopCamera();
    ASSERT_TRUE(waitForLink(Link::Lost));
    startCamera();
    ASSERT_TRUE(waitForLink(Link::Connected)) << camera->linkReason();
    EXPECT_LE(stall, 1300ms);
    // A restarted fake starts from cleared registers: the page follows the camera it finds.
    std::string error;
    ASSERT_EQ(camera->writeSettings({{"TriggerMode", "On"}, {"TriggerSource", "Encoder0"}}, &error), 0)
        << error;
    spin(2500ms);
    EXPECT_TRUE(page->rb_triggerModeEncoderSignal->isChecked());

    // Closing while the camera is away waits for nothing.
    stopCamera();
    ASSERT_TRUE(waitForLink(Link::Lost));
    QElapsedTimer clock;
    clock.start();
    page.reset();
    camera.reset();
    EXPECT_LT(clock.elapsed(), 300);
}

TEST_F(GenicamNetworkTest, SecondClientMonitorsAndItsWritesAreRefusedAtOnce)
{
    std::string error;
    const std::shared_ptr<GenicamCamera> second = GenicamCamera::open("127.0.0.1", &error);
    ASSERT_TRUE(second) << error;
    EXPECT_EQ(second->link(), Link::Monitoring);
    EXPECT_EQ(second->linkReason(), "another application controls the camera");
    std::vector<GenicamWorker::WriteFailure> failures;
    second->setWriteListener(
        [&failures](const GenicamWorker::WriteFailure& failure) { failures.push_back(failure); });

    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(second->feature("TriggerMode")->setValue("On"), Tovrik::Status::ResourceInUse);
    bool writable = true;
    EXPECT_EQ(second->feature("AcquisitionLineRate")->isWritable(&writable), 0);
    EXPECT_FALSE(writable);
    EXPECT_LT(clock.elapsed(), 100);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].feature, "TriggerMode");
    EXPECT_EQ(failures[0].value, "On");
    EXPECT_EQ(camera->value("TriggerMode"), "Off"); // reads work, the camera is unchanged
    EXPECT_EQ(second->value("TriggerMode"), "Off");
}
