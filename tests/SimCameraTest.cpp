#include "RecordingObserver.h"
#include "SimFixtures.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

class SimCameraTest : public ::testing::Test
{
protected:
    std::shared_ptr<SimCamera> camera = SimCameraBuilder::lineScanCamera().build();

    std::shared_ptr<Tovrik::Feature> handle(const std::string& name) { return camera->feature(name); }
    std::string read(const std::string& name)
    {
        std::string value;
        EXPECT_EQ(handle(name)->getValue(value), 0) << name;
        return value;
    }
};

} // namespace

TEST_F(SimCameraTest, DefaultCameraHasEveryFeatureThePageUses)
{
    for (const char* name :
         {"AcquisitionLineRate", "ExposureTime", "TriggerSelector", "TriggerMode", "TriggerSource",
          "TriggerActivation", "TriggerDivider", "EncoderSelector", "EncoderMode", "EncoderSourceA",
          "EncoderSourceB", "EncoderDividerFloat", "LineSelector", "LineMode", "LineInverter",
          "MasterSlaveMode", "DeviceSerialNumber"})
        EXPECT_TRUE(camera->hasFeature(name)) << name;
    EXPECT_EQ(read("DeviceSerialNumber"), "40123-0042");
    int type = 0;
    handle("DeviceSerialNumber")->getType(&type);
    EXPECT_EQ(type, Tovrik::FeatureTypeString);
}

TEST_F(SimCameraTest, SelectedFeaturesKeepOneValuePerSelectorEntry)
{
    EXPECT_EQ(handle("TriggerSelector")->setValue("FrameStart"), 0);
    EXPECT_EQ(handle("TriggerMode")->setValue("On"), 0);
    EXPECT_EQ(handle("TriggerSelector")->setValue("LineStart"), 0);
    EXPECT_EQ(read("TriggerMode"), "Off");
    EXPECT_EQ(camera->value("TriggerMode", "FrameStart"), "On");
    EXPECT_EQ(handle("LineSelector")->setValue("Line2"), 0);
    EXPECT_EQ(handle("LineInverter")->setValue(true), 0);
    EXPECT_EQ(camera->value("LineInverter", "Line1"), "false");
    EXPECT_EQ(camera->value("LineInverter", "Line2"), "true");
    EXPECT_EQ(sdkWrites(*camera), (std::vector<std::string>{"TriggerSelector=FrameStart",
                                                            "TriggerMode[TriggerSelector=FrameStart]=On",
                                                            "TriggerSelector=LineStart", "LineSelector=Line2",
                                                            "LineInverter[LineSelector=Line2]=true"}));
}

TEST_F(SimCameraTest, WritesAreCheckedAndRefusalsLeaveTheValue)
{
    EXPECT_EQ(handle("TriggerSource")->setValue("Nowhere"), -120);
    EXPECT_EQ(handle("TriggerSource")->setValue("Action0"), -120); // unavailable entry
    EXPECT_EQ(handle("TriggerDivider")->setValue(int64_t{500}), -120);
    EXPECT_EQ(handle("TriggerDivider")->setValue(2.0), -105); // wrong form
    EXPECT_EQ(handle("DeviceSerialNumber")->setValue("1"), -112);
    EXPECT_EQ(read("TriggerSource"), "Line1");
    EXPECT_EQ(read("TriggerDivider"), "1");
    const auto journal = camera->journal();
    ASSERT_EQ(journal.size(), 5u);
    EXPECT_EQ(journal[0].status, -120);
    EXPECT_EQ(journal[4].status, -112);
}

TEST_F(SimCameraTest, LineRateIsLockedWhileLinesAreTriggeredExternally)
{
    bool writable = false;
    handle("AcquisitionLineRate")->isWritable(&writable);
    EXPECT_TRUE(writable);
    camera->write("TriggerMode", "On", "LineStart");
    handle("AcquisitionLineRate")->isWritable(&writable);
    EXPECT_FALSE(writable);
    EXPECT_EQ(handle("AcquisitionLineRate")->setValue(2000.0), -112);
    camera->write("TriggerMode", "On", "FrameStart");
    camera->write("TriggerMode", "Off", "LineStart");
    EXPECT_EQ(handle("AcquisitionLineRate")->setValue(2000.0), 0);
}

TEST_F(SimCameraTest, ExposureIsBoundedByTheLinePeriod)
{
    ASSERT_EQ(handle("ExposureTime")->setValue(80.0), 0);
    ASSERT_EQ(handle("AcquisitionLineRate")->setValue(20000.0), 0); // period 50 us
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
    EXPECT_EQ(camera->observerCount("TriggerMode"), 1u);

    camera->write("TriggerMode", "On");
    // The mode change locks the line rate: its writability changed too.
    EXPECT_EQ(observer->taken(), (std::vector<std::string>{"TriggerMode", "AcquisitionLineRate"}));

    handle("TriggerSelector")->setValue("FrameStart"); // selects another TriggerMode value
    EXPECT_EQ(observer->taken(), (std::vector<std::string>{"TriggerSelector", "TriggerMode"}));

    handle("TriggerSelector")->setValue("FrameStart"); // no change, no notification
    EXPECT_TRUE(observer->taken().empty());

    handle("TriggerMode")->unregisterObserver(observer);
    camera->write("TriggerMode", "Off");
    EXPECT_TRUE(observer->taken().empty());
}

TEST_F(SimCameraTest, ThreadModeDeliversOnTheCamerasOwnThread)
{
    auto observer = std::make_shared<RecordingObserver>();
    camera->setNotifyMode(SimNotifyMode::Thread);
    handle("MasterSlaveMode")->registerObserver(observer);
    camera->write("MasterSlaveMode", "Slave");
    camera->waitForNotifications();
    ASSERT_EQ(observer->names, std::vector<std::string>{"MasterSlaveMode"});
    EXPECT_NE(observer->threads.front(), std::this_thread::get_id());
}

TEST_F(SimCameraTest, FaultsFailOnceOrAlwaysAndWritesAreJournaledWithTheirStatus)
{
    camera->injectFault("TriggerMode", SimOperation::SetValue, -123, 1);
    EXPECT_EQ(handle("TriggerMode")->setValue("On"), -123);
    EXPECT_EQ(handle("TriggerMode")->setValue("On"), 0);
    camera->injectFault("TriggerMode", SimOperation::GetType, -118);
    int type = 0;
    EXPECT_EQ(handle("TriggerMode")->getType(&type), -118);
    EXPECT_EQ(handle("TriggerMode")->getType(&type), -118);
    camera->clearFaults();
    EXPECT_EQ(handle("TriggerMode")->getType(&type), 0);
    EXPECT_EQ(sdkWrites(*camera), (std::vector<std::string>{"TriggerMode[TriggerSelector=LineStart]=On !-123",
                                                            "TriggerMode[TriggerSelector=LineStart]=On"}));
}

TEST_F(SimCameraTest, RemovedAndRenamedFeaturesAndOrphanedHandles)
{
    camera->removeFeature("MasterSlaveMode");
    for (const auto& feature : camera->features()) {
        std::string name;
        feature->getName(name);
        EXPECT_NE(name, "MasterSlaveMode");
    }
    camera->setReportedName("ExposureTime", "");
    std::string name = "x";
    handle("ExposureTime")->getName(name);
    EXPECT_EQ(name, "");

    auto orphan = handle("TriggerMode");
    camera.reset();
    std::string value;
    EXPECT_EQ(orphan->getValue(value), -102);
}

TEST_F(SimCameraTest, UnavailableFeaturesRefuseReads)
{
    camera->setAvailable("EncoderSourceB", false);
    bool available = true;
    handle("EncoderSourceB")->isAvailable(&available);
    EXPECT_FALSE(available);
    std::string value;
    EXPECT_EQ(handle("EncoderSourceB")->getValue(value), -106);
    EXPECT_EQ(handle("EncoderSourceB")->setValue("Line2"), -112);
}

TEST(SimCameraBuilderTest, JsonVariantChangesSerialValuesRangesAndOmissions)
{
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    QString error;
    ASSERT_TRUE(builder.applyJson(R"({
        "serialNumber": "39999-7",
        "omit": ["MasterSlaveMode"],
        "notify": "thread",
        "features": {
            "TriggerMode": {"value": {"LineStart": "On"}},
            "EncoderSourceA": {"value": "Line3", "unavailableEntries": ["Line2"]},
            "AcquisitionLineRate": {"min": 500, "max": 20000, "increment": 1},
            "LineInverter": {"value": true},
            "Gain": {"type": "float", "min": 0, "max": 24, "increment": 0.1, "value": 6}
        }})",
                                  &error))
        << error.toStdString();
    auto camera = builder.build();
    EXPECT_EQ(camera->value("DeviceSerialNumber"), "39999-7");
    EXPECT_FALSE(camera->hasFeature("MasterSlaveMode"));
    EXPECT_EQ(camera->notifyMode(), SimNotifyMode::Thread);
    EXPECT_EQ(camera->value("TriggerMode", "LineStart"), "On");
    EXPECT_EQ(camera->value("TriggerMode", "FrameStart"), "Off");
    EXPECT_EQ(camera->value("EncoderSourceA"), "Line3");
    EXPECT_EQ(camera->value("LineInverter", "Line4"), "true");
    EXPECT_EQ(camera->value("Gain"), "6");
    EXPECT_EQ(camera->definition("AcquisitionLineRate").min, 500.0);
    EXPECT_EQ(camera->write("EncoderSourceA", "Line2"), -120);

    EXPECT_FALSE(builder.applyJson("{ not json", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(builder.applyJson(R"({"features": {"New": {}}})", &error));
    EXPECT_TRUE(error.contains("needs a \"type\""));
}
