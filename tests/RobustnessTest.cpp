#include "PageDriver.h"
#include "PageFixture.h"
#include "TovrikFeatureObserverInterface.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <thread>

namespace {

class RobustnessTest : public PageFixture
{
};

// Runs every operator action and a full refresh; the page must take it without crashing.
void exercise(LineTriggerWidget& page)
{
    page.show();
    for (const PageAction& action : pageActions())
        action.run(page);
    fullRefresh(page);
}

} // namespace

TEST_F(RobustnessTest, BadValuesFromTheCameraLeaveThePageUsable)
{
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    builder.setInitial("AcquisitionLineRate", "nan");
    builder.setInitial("ExposureTime", "inf");
    builder.setRange("EncoderDividerFloat", 10.0, 1.0, -0.5); // min above max, negative increment
    builder.setRange("TriggerDivider", 1, 128, 0);            // zero increment
    SimFeatureDefinition* sourceA = builder.find("EncoderSourceA");
    for (int i = 0; i < 400; ++i)
        sourceA->entries.push_back({"Line" + std::to_string(i + 10), std::string(2000, 'x'), true});
    const std::string longText = std::string(5000, 'a') + "\xc3\xa4\xe2\x80\x94\xe6\x97\xa5\xf0\x9f\x93\xb7";
    builder.find("MasterSlaveMode")->entries.push_back({longText, longText, true});
    builder.setInitial("MasterSlaveMode", longText);
    builder.setInitial("DeviceSerialNumber", "40123-" + longText);
    rebuild(builder);
    camera->setReportedName("LineMode", "");                        // unnamed
    camera->setReportedName("TriggerActivation", "TriggerDivider"); // duplicate name
    create();
    page->show();
    EXPECT_EQ(page->cb_EncoderSourceA->count(), 405); // the camera's hundreds of entries, all offered
    exercise(*page);
    EXPECT_FALSE(page->gb_LTUnavailable->isVisible()); // no "Slave" in the long value
    // The page keeps answering the operator.
    page->rb_triggerModeinternal->click();
    EXPECT_TRUE(page->internalModeContainer->isEnabled());
}

TEST_F(RobustnessTest, SdkThreadsKeepCallingThroughShowHideAndAfterThePageIsGone)
{
    camera->setNotifyMode(SimNotifyMode::Thread);
    camera->setKeepObserversAfterUnregister(true);
    create();
    std::atomic<bool> stop{false};
    std::vector<std::thread> sdkThreads;
    const char* const features[] = {"AcquisitionLineRate", "LineInverter", "EncoderSourceA",
                                    "MasterSlaveMode"};
    for (int t = 0; t < 3; ++t) {
        sdkThreads.emplace_back([&, t] {
            std::mt19937 random(static_cast<unsigned>(t));
            const char* const values[][2] = {
                {"5000", "6000"}, {"true", "false"}, {"Line3", "Line1"}, {"Master", "Master"}};
            while (!stop) {
                const int feature = static_cast<int>(random() % 4);
                camera->write(features[feature], values[feature][random() % 2]);
                std::this_thread::sleep_for(std::chrono::microseconds(200)); // a busy device, not a flood
            }
        });
    }
    page->show();
    for (int round = 0; round < 20; ++round) {
        QCoreApplication::processEvents();
        tick();
        if (round % 5 == 4) {
            page->hide();
            QCoreApplication::processEvents();
            page->show();
        }
    }
    page.reset(); // while the threads are still writing
    const uint64_t afterPage = camera->notificationCount();
    // Late queued notifications find no page; the SDK goes on calling the observer it kept.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (camera->notificationCount() <= afterPage + 10 && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents();
    stop = true;
    for (std::thread& thread : sdkThreads)
        thread.join();
    camera->waitForNotifications();
    QCoreApplication::processEvents();
    // The SDK kept the page's observer and went on calling it after the page was gone.
    EXPECT_EQ(camera->observerCount("LineInverter"), 1u);
    EXPECT_GT(camera->notificationCount(), afterPage);
}

TEST_F(RobustnessTest, NoNameIsLostBetweenTicksWhileObserversAreAttached)
{
    camera->setNotifyMode(SimNotifyMode::Thread);
    showPage();
    tick();
    std::vector<std::thread> writers;
    writers.emplace_back([&] { camera->write("AcquisitionLineRate", "7000"); });
    writers.emplace_back([&] { camera->write("EncoderDividerFloat", "3.5"); });
    writers.emplace_back([&] { camera->write("LineInverter", "true"); });
    for (std::thread& writer : writers)
        writer.join();
    camera->waitForNotifications();
    QCoreApplication::processEvents();
    tick();
    EXPECT_DOUBLE_EQ(page->sb_LineRate->value(), 7000.0);
    EXPECT_DOUBLE_EQ(page->sb_EncoderDividerFlt->value(), 3.5);
    EXPECT_EQ(page->cb_EncoderDirection->currentText(), "Counter-Clockwise");
}

namespace {

// Brings the page to rest: show and tick until a round writes nothing, so that the last show's
// refresh saw a camera that no longer changes.
void settle(LineTriggerWidget& page, SimCamera& camera)
{
    for (int round = 0; round < 6; ++round) {
        const size_t before = camera.journalSize();
        page.hide();
        page.show();
        QMetaObject::invokeMethod(&page, "updateTimer");
        if (camera.journalSize() == before)
            return;
    }
}

} // namespace

TEST_F(RobustnessTest, RandomOperationKeepsThePageInStepWithTheCamera)
{
    const char* const externalFeatures[] = {"TriggerMode",  "EncoderSourceA",  "EncoderSourceB",
                                            "LineInverter", "TriggerSelector", "MasterSlaveMode",
                                            "LineSelector"};
    const char* const externalValues[][3] = {{"On", "Off", "On"},
                                             {"Line1", "Line3", "Line4"},
                                             {"Off", "Line2", "Off"},
                                             {"true", "false", "true"},
                                             {"LineStart", "FrameStart", "LineStart"},
                                             {"Master", "Slave", "Master"},
                                             {"Line1", "Line2", "Line3"}};
    const char* const faultFeatures[] = {"TriggerMode",   "EncoderSourceA", "LineInverter",
                                         "TriggerSource", "EncoderMode",    "LineSelector"};
    const SimOperation faultOperations[] = {SimOperation::GetValue, SimOperation::SetValue,
                                            SimOperation::GetType};
    int steps = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        camera = SimCameraBuilder::lineScanCamera()
                     .setNotifyMode(seed % 2 ? SimNotifyMode::Thread : SimNotifyMode::Synchronous)
                     .build();
        create();
        page->show();
        std::string sequence;
        for (int step = 0; step < 60; ++step, ++steps) {
            const unsigned kind = random() % 10;
            if (kind < 6) {
                const PageAction& action = pageActions()[random() % pageActions().size()];
                action.run(*page);
                sequence += std::string(action.name) + "; ";
            } else if (kind < 8) {
                const unsigned feature = random() % 7;
                camera->write(externalFeatures[feature], externalValues[feature][random() % 3]);
                sequence += std::string("camera ") + externalFeatures[feature] + "; ";
            } else if (kind < 9) {
                camera->injectFault(faultFeatures[random() % 6], faultOperations[random() % 3],
                                    -118 - int(random() % 6), 1);
                sequence += "fault; ";
            } else {
                QMetaObject::invokeMethod(page.get(), "updateTimer");
                sequence += "tick; ";
            }
            camera->waitForNotifications();
            QCoreApplication::processEvents();
        }
        camera->clearFaults();
        camera->write("MasterSlaveMode", "Master");
        camera->waitForNotifications();
        QCoreApplication::processEvents();
        settle(*page, *camera);
        std::printf("seed %u: %s\n", seed, sequence.c_str());

        const bool encoderOn = camera->value("TriggerMode", "LineStart") == "On";
        EXPECT_EQ(page->rb_triggerModeEncoderSignal->isChecked(), encoderOn) << "seed " << seed;
        EXPECT_EQ(page->rb_triggerModeinternal->isChecked(), !encoderOn) << "seed " << seed;
        const bool inverted = camera->value("LineInverter") == "true";
        EXPECT_EQ(page->cb_EncoderDirection->currentIndex(), inverted ? 1 : 0) << "seed " << seed;
        const QMap<QString, QString> labels{{"Off", "Off"},
                                            {"Line1", "Line1 - IO Pin 1,6"},
                                            {"Line2", "Line2 - IO Pin 2,7"},
                                            {"Line3", "Line3 - IO Pin 3"},
                                            {"Line4", "Line4 - IO Pin 8"}};
        for (const auto& source : {std::make_pair("EncoderSourceA", page->cb_EncoderSourceA),
                                   std::make_pair("EncoderSourceB", page->cb_EncoderSourceB)}) {
            const QString label = labels.value(QString::fromStdString(camera->value(source.first)));
            if (source.second->findText(label) >= 0) {
                EXPECT_EQ(source.second->currentText(), label) << "seed " << seed << " " << source.first;
            }
        }
        page.reset();
    }
    std::printf("random operation: 12 seeds, %d steps\n", steps);
}
