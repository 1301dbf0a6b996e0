#include "RecordingObserver.h"
#include "SimFixtures.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class SimCameraTest : public ::testing::Test
{
protected:
    std::shared_ptr<Tovrik::Feature> handle(const std::string& name) { return camera->feature(name); }
    std::string read(const std::string& name)
    {
        std::string value;
        EXPECT_EQ(handle(name)->getValue(value), 0) << name;
        return value;
    }

    std::shared_ptr<SimCamera> camera = SimCameraBuilder::lineScanCamera().build();
};

} // namespace

TEST_F(SimCameraTest, RefusedWritesLeaveTheValueAndAreJournaledAndReported)
{
    std::vector<SimJournalEntry> reported;
    camera->setWriteFailureListener([&reported](const SimJournalEntry& entry) { reported.push_back(entry); });
    EXPECT_EQ(handle("TriggerSource")->setValue("Nowhere"), -120);
    EXPECT_EQ(handle("TriggerSource")->setValue("Action0"), -120); // unavailable entry
    EXPECT_EQ(handle("TriggerDivider")->setValue(int64_t{500}), -120);
    EXPECT_EQ(handle("TriggerDivider")->setValue(2.0), -105); // wrong form
    EXPECT_EQ(handle("DeviceSerialNumber")->setValue("1"), -112);
    camera->setAvailable("EncoderSourceB", false);
    EXPECT_EQ(handle("EncoderSourceB")->setValue("Line2"), -112);
    std::string value;
    EXPECT_EQ(handle("EncoderSourceB")->getValue(value), -106);
    EXPECT_EQ(read("TriggerSource"), "Line1");
    EXPECT_EQ(read("TriggerDivider"), "1");
    EXPECT_EQ(sdkWrites(*camera).front(), "TriggerSource[TriggerSelector=LineStart]=Nowhere !-120");
    ASSERT_EQ(reported.size(), 6u);
    EXPECT_EQ(reported.back().feature, "EncoderSourceB");
    EXPECT_EQ(camera->write("TriggerSource", "Line9"), -120); // other parties are not reported
    EXPECT_EQ(reported.size(), 6u);
    camera->injectFault("TriggerMode", SimOperation::SetValue, -123, 1); // a fault fails once
    EXPECT_EQ(handle("TriggerMode")->setValue("On"), -123);
    EXPECT_EQ(handle("TriggerMode")->setValue("On"), 0);
    auto orphan = handle("TriggerMode"); // a handle outliving its camera
    camera.reset();
    EXPECT_EQ(orphan->getValue(value), -102);
}

TEST_F(SimCameraTest, LineRateIsLockedByAnExternalLineTriggerAndBoundsTheExposure)
{
    bool writable = false;
    camera->write("TriggerMode", "On", "LineStart");
    handle("AcquisitionLineRate")->isWritable(&writable);
    EXPECT_FALSE(writable);
    EXPECT_EQ(handle("AcquisitionLineRate")->setValue(2000.0), -112);
    camera->write("TriggerMode", "On", "FrameStart");
    camera->write("TriggerMode", "Off", "LineStart");
    ASSERT_EQ(handle("ExposureTime")->setValue(80.0), 0);
    ASSERT_EQ(handle("AcquisitionLineRate")->setValue(20000.0), 0); // period 50 us, readout 1 us
    double min = 0, max = 0, exposure = 0;
    handle("ExposureTime")->getRange(&min, &max);
    handle("ExposureTime")->getValue(&exposure);
    EXPECT_DOUBLE_EQ(max, 49.0);
    EXPECT_DOUBLE_EQ(exposure, 49.0);
    EXPECT_EQ(handle("ExposureTime")->setValue(60.0), -120);
}

TEST_F(SimCameraTest, ObserversHearOfChangesWhoeverMadeThem)
{
    auto observer = std::make_shared<RecordingObserver>();
    for (const char* name : {"TriggerMode", "TriggerSelector", "AcquisitionLineRate", "ExposureTime"})
        handle(name)->registerObserver(observer);
    camera->write("TriggerMode", "On");
    // The written feature first; the mode change locks the line rate, so it changed too.
    EXPECT_EQ(observer->taken(), (std::vector<std::string>{"TriggerMode", "AcquisitionLineRate"}));
    handle("TriggerSelector")->setValue("FrameStart"); // selects another TriggerMode value
    EXPECT_EQ(observer->taken(), (std::vector<std::string>{"TriggerSelector", "TriggerMode"}));
    handle("TriggerSelector")->setValue("FrameStart"); // no change, no notification
    EXPECT_TRUE(observer->taken().empty());
    handle("TriggerMode")->unregisterObserver(observer);
    camera->write("TriggerMode", "Off");
    EXPECT_TRUE(observer->taken().empty());

    camera->setNotifyMode(SimNotifyMode::Thread);
    camera->write("TriggerSelector", "LineStart");
    camera->waitForNotifications();
    EXPECT_EQ(observer->taken(), std::vector<std::string>{"TriggerSelector"});
    EXPECT_NE(observer->threads.back(), std::this_thread::get_id()); // the camera's own thread
}
