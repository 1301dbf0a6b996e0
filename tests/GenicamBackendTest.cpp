#include <arv.h>

#include "FeatureAccess.h"
#include "GenicamFixtures.h"
#include "GenicamStatus.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "TovrikExceptions.h"
#include "TovrikStatus.h"
#include "ValueText.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

namespace {

const std::vector<std::string> pageFeatures = {
    "DeviceVendorName",    "DeviceModelName",     "DeviceSerialNumber", "DeviceFirmwareVersion",
    "MasterSlaveMode",     "AcquisitionLineRate", "ExposureTime",       "TriggerSelector",
    "TriggerMode",         "TriggerSource",       "TriggerActivation",  "TriggerDivider",
    "EncoderSelector",     "EncoderSourceA",      "EncoderSourceB",     "EncoderMode",
    "EncoderDividerFloat", "LineSelector",        "LineMode",           "LineInverter"};

std::vector<std::string> namesOf(const std::vector<std::shared_ptr<Tovrik::Feature>>& features)
{
    std::vector<std::string> names;
    for (const auto& feature : features) {
        std::string name;
        EXPECT_EQ(feature->getName(name), 0);
        names.push_back(name);
    }
    return names;
}

// Everything the page can learn about one feature, as text, under the current selector entry.
std::string describe(Tovrik::Feature& feature)
{
    std::string out;
    int type = 0;
    out += "type " + std::to_string(feature.getType(&type)) + ":" + std::to_string(type);
    std::string text;
    out += " value " + std::to_string(feature.getValue(text)) + ":" + text;
    bool flag = false;
    out += " available " + std::to_string(feature.isAvailable(&flag)) + ":" + std::to_string(flag);
    out += " writable " + std::to_string(feature.isWritable(&flag)) + ":" + std::to_string(flag);
    if (type == Tovrik::FeatureTypeFloat) {
        double min = 0, max = 0, inc = 0;
        out += " range " + std::to_string(feature.getRange(&min, &max)) + ":" + ValueText::fromNumber(min) +
               ".." + ValueText::fromNumber(max);
        out += " inc " + std::to_string(feature.getIncrement(&inc)) + ":" + ValueText::fromNumber(inc);
    }
    if (type == Tovrik::FeatureTypeInteger) {
        int64_t min = 0, max = 0, inc = 0;
        out += " range " + std::to_string(feature.getRange(&min, &max)) + ":" + std::to_string(min) + ".." +
               std::to_string(max);
        out += " inc " + std::to_string(feature.getIncrement(&inc)) + ":" + std::to_string(inc);
    }
    if (type == Tovrik::FeatureTypeEnumeration) {
        std::vector<std::string> entries;
        std::vector<std::string> descriptions;
        out += " entries " + std::to_string(feature.getEntries(entries, 0)) + ":";
        feature.getEntryDescriptions(descriptions, 0);
        for (size_t i = 0; i < entries.size(); ++i) {
            feature.isEntryAvailable(entries[i], &flag);
            out += " " + entries[i] + (flag ? "+" : "-") + "(" +
                   (i < descriptions.size() ? descriptions[i] : "?") + ")";
        }
    }
    std::string description;
    feature.getDescription(description);
    return out + " | " + description;
}

} // namespace

TEST(GenicamStatusTest, AravisErrorsBecomeTheSdkStatuses)
{
    const struct
    {
        GQuark domain;
        int code;
        int status;
    } cases[] = {
        {ARV_GC_ERROR, ARV_GC_ERROR_NODE_NOT_FOUND, -104},
        {ARV_GC_ERROR, ARV_GC_ERROR_OUT_OF_RANGE, -120},
        {ARV_GC_ERROR, ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND, -120},
        {ARV_GC_ERROR, ARV_GC_ERROR_READ_ONLY, -112},
        {ARV_GC_ERROR, ARV_GC_ERROR_NO_DEVICE_SET, -102},
        {ARV_GC_ERROR, ARV_GC_ERROR_INVALID_SYNTAX, -119},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_TIMEOUT, -108},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_NOT_CONTROLLER, -112},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_PROTOCOL_ERROR_BUSY, -123},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_TRANSFER_ERROR, -118},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_FEATURE_NOT_FOUND, -104},
        {G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED, -118},
    };
    for (const auto& c : cases) {
        GError* error = g_error_new(c.domain, c.code, "text %d", c.code);
        std::string message;
        EXPECT_EQ(GenicamStatus::take(&error, &message), c.status)
            << g_quark_to_string(c.domain) << " " << c.code;
        EXPECT_EQ(error, nullptr);
        EXPECT_EQ(message, "text " + std::to_string(c.code));
    }
    GError* none = nullptr;
    EXPECT_EQ(GenicamStatus::take(&none), 0);
}

TEST_F(GenicamFakeTest, FeaturesFollowTheCategoryTree)
{
    EXPECT_EQ(namesOf(camera->features()), pageFeatures);
    EXPECT_EQ(camera->feature("NoSuchFeature"), nullptr);
    EXPECT_NE(camera->summary().find("fake"), std::string::npos);
}

// The description is checked against the simulated camera, feature by feature and selector entry by
// selector entry: types, values after power-up, ranges, increments, entries with their
// availability and texts, writability. Only the vendor and model texts may differ.
TEST_F(GenicamFakeTest, PoweredUpDescriptionMatchesTheSimulatedCamera)
{
    const std::shared_ptr<SimCamera> sim = SimCameraBuilder::lineScanCamera().build();
    for (const std::string& name : pageFeatures) {
        if (name == "DeviceVendorName" || name == "DeviceModelName")
            continue;
        const SimFeatureDefinition definition = sim->definition(name);
        std::vector<std::string> selectorEntries = {""};
        if (!definition.selector.empty())
            selectorEntries = sim->selectorEntries(name);
        for (const std::string& entry : selectorEntries) {
            if (!entry.empty()) {
                ASSERT_EQ(sim->write(definition.selector, entry), 0);
                set(definition.selector, entry);
            }
            EXPECT_EQ(describe(*handle(name)), describe(*sim->feature(name))) << name << " [" << entry << "]";
        }
    }
}

TEST_F(GenicamFakeTest, SelectedFeaturesAddressOneRegisterPerSelectorEntry)
{
    auto selector = handle("TriggerSelector");
    auto source = handle("TriggerSource");
    ASSERT_EQ(selector->setValue("FrameStart"), 0);
    EXPECT_EQ(reg(0x2020), 1u);
    ASSERT_EQ(source->setValue("Encoder0"), 0);
    EXPECT_EQ(reg(0x2204), 4u);
    EXPECT_EQ(reg(0x2200), 0u); // LineStart's source untouched
    ASSERT_EQ(selector->setValue("LineStart"), 0);
    std::string text;
    ASSERT_EQ(source->getValue(text), 0);
    EXPECT_EQ(text, "Line1");

    ASSERT_EQ(handle("LineSelector")->setValue("Line3"), 0);
    ASSERT_EQ(handle("LineInverter")->setValue(true), 0);
    EXPECT_EQ(reg(0x2c08), 1u);
    EXPECT_EQ(reg(0x2c00), 0u);
    ASSERT_EQ(handle("EncoderDividerFloat")->setValue(2.375), 0);
    EXPECT_EQ(doubleReg(0x2900), 2.375);
    ASSERT_EQ(handle("AcquisitionLineRate")->setValue(12345.5), 0);
    EXPECT_EQ(doubleReg(0x2010), 12345.5);

    // Another party writing the registers is read back through the description.
    ASSERT_EQ(camera->writeRegister(0x2600, 3), 0);
    ASSERT_EQ(handle("EncoderSourceA")->getValue(text), 0);
    EXPECT_EQ(text, "Line3");
}

TEST_F(GenicamFakeTest, LineRateIsLockedWhileLineStartIsTriggeredFromOutside)
{
    auto lineRate = handle("AcquisitionLineRate");
    bool writable = false;
    ASSERT_EQ(lineRate->isWritable(&writable), 0);
    EXPECT_TRUE(writable);

    set("TriggerMode", "On");
    ASSERT_EQ(lineRate->isWritable(&writable), 0);
    EXPECT_FALSE(writable);
    EXPECT_EQ(lineRate->setValue(5000.0), Tovrik::Status::NoAccess);
    EXPECT_EQ(lineRate->setValue("5000"), Tovrik::Status::NoAccess);
    EXPECT_EQ(doubleReg(0x2010), 10000.0); // the register was not touched
    FeatureAccess access(camera->features());
    EXPECT_THROW(access.setValueAsDouble("AcquisitionLineRate", 5000.0), Tovrik::NoAccessException);

    // FrameStart's trigger has nothing to do with it.
    set("TriggerMode", "Off");
    set("TriggerSelector", "FrameStart");
    set("TriggerMode", "On");
    ASSERT_EQ(lineRate->isWritable(&writable), 0);
    EXPECT_TRUE(writable);
    EXPECT_EQ(lineRate->setValue(5000.0), 0);
}

TEST_F(GenicamFakeTest, RefusedValuesGetTheSdkStatuses)
{
    // Exposure is bounded by the line period: 1e6 / 10000 - 1 us.
    double min = 0, max = 0;
    ASSERT_EQ(handle("ExposureTime")->getRange(&min, &max), 0);
    EXPECT_EQ(max, 99.0);
    EXPECT_EQ(handle("ExposureTime")->setValue(150.0), Tovrik::Status::InvalidValue);
    ASSERT_EQ(handle("AcquisitionLineRate")->setValue(5000.0), 0);
    ASSERT_EQ(handle("ExposureTime")->getRange(&min, &max), 0);
    EXPECT_EQ(max, 199.0);
    EXPECT_EQ(handle("ExposureTime")->setValue(150.0), 0);

    EXPECT_EQ(handle("AcquisitionLineRate")->setValue(50.0), Tovrik::Status::InvalidValue);
    EXPECT_EQ(handle("TriggerDivider")->setValue(int64_t{500}), Tovrik::Status::InvalidValue);
    EXPECT_EQ(handle("TriggerSource")->setValue("Bogus"), Tovrik::Status::InvalidValue);
    EXPECT_EQ(handle("TriggerSource")->setValue("Action0"), Tovrik::Status::InvalidValue);
    EXPECT_EQ(handle("EncoderDividerFloat")->setValue("1,5"), Tovrik::Status::InvalidValue);
    EXPECT_EQ(handle("LineInverter")->setValue("maybe"), Tovrik::Status::InvalidValue);
    EXPECT_EQ(handle("EncoderDividerFloat")->setValue(std::nan("")), Tovrik::Status::InvalidParameter);
    EXPECT_EQ(handle("DeviceVendorName")->setValue("Someone"), Tovrik::Status::NoAccess);
    EXPECT_EQ(handle("DeviceSerialNumber")->setValue("40999-0001"), Tovrik::Status::NoAccess);
    EXPECT_EQ(handle("TriggerSource")->setValue(nullptr), Tovrik::Status::InvalidParameter);

    // A value of the wrong form, and enumeration questions to a number.
    bool flag = false;
    double number = 0;
    int64_t integer = 0;
    EXPECT_EQ(handle("TriggerDivider")->getValue(&number), Tovrik::Status::InvalidParameter);
    EXPECT_EQ(handle("ExposureTime")->getValue(&integer), Tovrik::Status::InvalidParameter);
    EXPECT_EQ(handle("TriggerMode")->getValue(&flag), Tovrik::Status::InvalidParameter);
    EXPECT_EQ(handle("LineInverter")->setValue(1.0), Tovrik::Status::InvalidParameter);
    std::vector<std::string> entries;
    EXPECT_EQ(handle("ExposureTime")->getEntries(entries, 0), Tovrik::Status::FunctionNotAvailable);
    EXPECT_EQ(handle("TriggerSource")->isEntryAvailable("Line9", &flag), Tovrik::Status::NotFound);
    EXPECT_EQ(handle("TriggerSource")->getValue(static_cast<bool*>(nullptr)),
              Tovrik::Status::InvalidParameter);

    // Nothing refused reached the camera.
    std::string text;
    ASSERT_EQ(handle("TriggerSource")->getValue(text), 0);
    EXPECT_EQ(text, "Line1");
    EXPECT_EQ(reg(0x2400), 1u);
}

TEST_F(GenicamFakeTest, ValuesReadBackExactlyInEveryForm)
{
    auto divider = handle("EncoderDividerFloat");
    ASSERT_EQ(divider->setValue(static_cast<double>(static_cast<float>(12.3456))), 0);
    double number = 0;
    ASSERT_EQ(divider->getValue(&number), 0);
    EXPECT_EQ(number, static_cast<double>(static_cast<float>(12.3456)));
    std::string text;
    ASSERT_EQ(divider->setValue("2.5"), 0);
    ASSERT_EQ(divider->getValue(text), 0);
    EXPECT_EQ(text, "2.5");
    ASSERT_EQ(handle("AcquisitionLineRate")->getValue(text), 0);
    EXPECT_EQ(text, "10000");

    auto inverter = handle("LineInverter");
    ASSERT_EQ(inverter->setValue("true"), 0);
    bool flag = false;
    ASSERT_EQ(inverter->getValue(&flag), 0);
    EXPECT_TRUE(flag);
    ASSERT_EQ(inverter->getValue(text), 0);
    EXPECT_EQ(text, "true");

    ASSERT_EQ(handle("TriggerDivider")->setValue("7"), 0);
    int64_t integer = 0;
    ASSERT_EQ(handle("TriggerDivider")->getValue(&integer), 0);
    EXPECT_EQ(integer, 7);
    EXPECT_EQ(camera->value("DeviceSerialNumber"), "40123-0042");
    EXPECT_EQ(camera->value("NoSuchFeature"), "#-104");
}

TEST_F(GenicamFakeTest, ObserversHearEachChangeOnceFromTheWorkerThread)
{
    auto observer = std::make_shared<RecordingObserver>();
    auto sourceA = handle("EncoderSourceA");
    auto exposure = handle("ExposureTime");
    ASSERT_EQ(sourceA->registerObserver(observer), 0);
    ASSERT_EQ(exposure->registerObserver(observer), 0);
    EXPECT_EQ(camera->observerCount("EncoderSourceA"), 1u);
    camera->pollNow();
    EXPECT_TRUE(observer->taken().empty());

    ASSERT_EQ(camera->writeRegister(0x2600, 4), 0); // another party
    camera->pollNow();
    EXPECT_EQ(observer->taken(), std::vector<std::string>{"EncoderSourceA"});
    camera->pollNow();
    EXPECT_TRUE(observer->taken().empty()); // unchanged: not again
    EXPECT_NE(observer->threads.front(), std::this_thread::get_id());

    set("LineMode", "Output"); // not observed
    camera->pollNow();
    EXPECT_TRUE(observer->taken().empty());

    // A new line rate moves the exposure's upper limit: its observers hear of it.
    set("AcquisitionLineRate", "20000");
    camera->pollNow();
    EXPECT_EQ(observer->taken(), std::vector<std::string>{"ExposureTime"});

    ASSERT_EQ(sourceA->unregisterObserver(observer), 0);
    EXPECT_EQ(camera->observerCount("EncoderSourceA"), 0u);
    ASSERT_EQ(camera->writeRegister(0x2600, 2), 0);
    camera->pollNow();
    EXPECT_TRUE(observer->taken().empty());
    EXPECT_EQ(sourceA->registerObserver(nullptr), Tovrik::Status::InvalidParameter);
}

// The page detaches its observer and attaches it again at every tick; a change made just then,
// before the worker's next poll, must not become the new baseline unreported.
TEST_F(GenicamFakeTest, ChangesAroundRegisteringAreNotLost)
{
    auto observer = std::make_shared<RecordingObserver>();
    auto mode = handle("MasterSlaveMode");
    ASSERT_EQ(mode->registerObserver(observer), 0);
    ASSERT_EQ(camera->writeRegister(0x2000, 1), 0); // before any poll
    camera->pollNow();
    EXPECT_EQ(observer->taken(), std::vector<std::string>{"MasterSlaveMode"});

    ASSERT_EQ(mode->unregisterObserver(observer), 0);
    ASSERT_EQ(camera->writeRegister(0x2000, 0), 0); // while detached
    ASSERT_EQ(mode->registerObserver(observer), 0);
    camera->pollNow();
    EXPECT_EQ(observer->taken(), std::vector<std::string>{"MasterSlaveMode"});
}

TEST_F(GenicamFakeTest, PollingFindsChangesWithoutBeingAskedAndAfterWrites)
{
    camera->setPollInterval(std::chrono::milliseconds(20));
    auto observer = std::make_shared<RecordingObserver>();
    ASSERT_EQ(handle("LineInverter")->registerObserver(observer), 0);
    ASSERT_EQ(handle("TriggerMode")->registerObserver(observer), 0);
    camera->pollNow();
    ASSERT_EQ(camera->writeRegister(0x2c00, 1), 0);
    ASSERT_EQ(handle("TriggerMode")->setValue("On"), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::vector<std::string> heard;
    while (heard.size() < 2 && std::chrono::steady_clock::now() < deadline) {
        for (const std::string& name : observer->taken())
            heard.push_back(name);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::sort(heard.begin(), heard.end());
    EXPECT_EQ(heard, (std::vector<std::string>{"LineInverter", "TriggerMode"}));
}

TEST_F(GenicamFakeTest, ObserverMayCallBackIntoTheFeature)
{
    auto observer = std::make_shared<RecordingObserver>();
    std::string seen;
    observer->onUpdate = [&seen](const std::shared_ptr<Tovrik::Feature>& feature) {
        feature->getValue(seen);
    };
    ASSERT_EQ(handle("TriggerActivation")->registerObserver(observer), 0);
    camera->pollNow();
    set("TriggerActivation", "AnyEdge");
    camera->pollNow(); // would never return if the call back waited for the worker
    EXPECT_EQ(seen, "AnyEdge");
}

TEST_F(GenicamFakeTest, HandlesOutliveTheCamera)
{
    const auto features = camera->features();
    auto observer = std::make_shared<RecordingObserver>();
    ASSERT_EQ(features[8]->registerObserver(observer), 0);
    camera.reset();
    std::string text;
    EXPECT_EQ(features[8]->getName(text), 0);
    EXPECT_EQ(text, "TriggerMode");
    EXPECT_EQ(features[8]->getValue(text), Tovrik::Status::NotOpened);
    EXPECT_EQ(features[8]->setValue("On"), Tovrik::Status::NotOpened);
    EXPECT_EQ(features[8]->registerObserver(observer), Tovrik::Status::NotOpened);
    EXPECT_EQ(features[8]->unregisterObserver(observer), Tovrik::Status::NotOpened);
    EXPECT_EQ(observer.use_count(), 1); // the closed camera let go of it
}

TEST_F(GenicamFakeTest, SeveralThreadsShareTheOneWorker)
{
    camera->setPollInterval(std::chrono::milliseconds(1));
    auto observer = std::make_shared<RecordingObserver>();
    handle("EncoderDividerFloat")->registerObserver(observer);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            auto divider = camera->feature("EncoderDividerFloat");
            auto mode = camera->feature("EncoderMode");
            for (int i = 0; i < 100; ++i) {
                double value = 0;
                if (divider->setValue(1.0 + t + i * 0.5) != 0 || divider->getValue(&value) != 0)
                    ++failures;
                std::string text;
                if (mode->setValue(i % 2 ? "HighResolution" : "FourPhase") != 0 || mode->getValue(text) != 0)
                    ++failures;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    camera.reset(); // stops the worker while it may be polling
    EXPECT_GE(observer.use_count(), 1);
}

TEST(GenicamOpenTest, UnknownDevicesAreRefusedWithAReason)
{
    std::string error;
    EXPECT_EQ(GenicamCamera::open("", &error), nullptr);
    EXPECT_FALSE(error.empty());
    error.clear();
    // A loopback address nobody answers on: opened directly, so nothing is broadcast.
    EXPECT_EQ(GenicamCamera::open("127.0.0.254", &error), nullptr);
    EXPECT_FALSE(error.empty());
}
