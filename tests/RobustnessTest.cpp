#include "PageDriver.h"
#include "PageFixture.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <thread>

using RobustnessTest = PageFixture;

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
    for (const PageAction& action : pageActions())    // every one taken without a crash
        action.run(*page);
    EXPECT_FALSE(page->gb_LTUnavailable->isVisible()); // no "Slave" in the long value
    // The page keeps answering the operator.
    page->rb_triggerModeinternal->click();
    EXPECT_TRUE(page->internalModeContainer->isEnabled());
}

TEST_F(RobustnessTest, SdkThreadKeepsCallingThroughShowHideAndAfterThePageIsGone)
{
    camera->setNotifyMode(SimNotifyMode::Thread);
    camera->setKeepObserversAfterUnregister(true);
    create();
    std::atomic<bool> stop{false};
    std::thread sdk([&] {
        for (int i = 0; !stop; ++i) {
            camera->write("AcquisitionLineRate", i % 2 ? "5000" : "6000");
            camera->write("LineInverter", i % 2 ? "true" : "false");
            camera->write("EncoderSourceA", i % 2 ? "Line3" : "Line1");
            std::this_thread::sleep_for(std::chrono::microseconds(200)); // a busy device, not a flood
        }
    });
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
    page.reset(); // while the thread is still writing
    const uint64_t afterPage = camera->notificationCount();
    // Late queued notifications find no page; the SDK goes on calling the observer it kept.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (camera->notificationCount() <= afterPage + 10 && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents();
    stop = true;
    sdk.join();
    camera->waitForNotifications();
    QCoreApplication::processEvents();
    // The SDK kept the page's observer and went on calling it after the page was gone.
    EXPECT_EQ(camera->observerCount("LineInverter"), 1u);
    EXPECT_GT(camera->notificationCount(), afterPage);
}
