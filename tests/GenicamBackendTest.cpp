#include <arv.h>

#include "FeatureAccess.h"
#include "GenicamFixtures.h"
#include "GenicamStatus.h"
#include "GenicamWorker.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "TovrikExceptions.h"
#include "TovrikStatus.h"
#include "ValueText.h"

#include <QElapsedTimer>

#include <cmath>
#include <thread>

namespace {

namespace Status = Tovrik::Status;

const std::vector<std::string> cameraFeatures = {"DeviceVendorName",
                                                 "DeviceModelName",
                                                 "DeviceSerialNumber",
                                                 "DeviceFirmwareVersion",
                                                 "MasterSlaveMode",
                                                 "Width",
                                                 "Height",
                                                 "PixelFormat",
                                                 "PayloadSize",
                                                 "AcquisitionStart",
                                                 "AcquisitionStop",
                                                 "AcquisitionLineRate",
                                                 "ExposureTime",
                                                 "TriggerSelector",
                                                 "TriggerMode",
                                                 "TriggerSource",
                                                 "TriggerActivation",
                                                 "TriggerDivider",
                                                 "LineTriggerMissedCount",
                                                 "EncoderSelector",
                                                 "EncoderSourceA",
                                                 "EncoderSourceB",
                                                 "EncoderMode",
                                                 "EncoderDividerFloat",
                                                 "EncoderValue",
                                                 "EncoderStatus",
                                                 "EncoderReset",
                                                 "LineSelector",
                                                 "LineMode",
                                                 "LineInverter",
                                                 "LineStatus",
                                                 "LineStatusAll"};

// Everything the page can learn about one feature, as text, under the current selector entry.
std::string describe(Tovrik::Feature& feature)
{
    int type = 0;
    std::string text;
    bool flag = false;
    std::string out;
    const auto add = [&out](const char* what, int status, const std::string& value) {
        out += std::string(" ") + what + " " + std::to_string(status) + ":" + value;
    };
    const int typeStatus = feature.getType(&type); // before the type is shown
    add("type", typeStatus, std::to_string(type));
    add("value", feature.getValue(text), text);
    add("available", feature.isAvailable(&flag), std::to_string(flag));
    add("writable", feature.isWritable(&flag), std::to_string(flag));
    double min = 0, max = 0, inc = 0;
    int64_t low = 0, high = 0, step = 0;
    if (type == Tovrik::FeatureTypeFloat)
        add("range", feature.getRange(&min, &max) + feature.getIncrement(&inc),
            ValueText::fromNumber(min) + ".." + ValueText::fromNumber(max) + " by " +
                ValueText::fromNumber(inc));
    if (type == Tovrik::FeatureTypeInteger)
        add("range", feature.getRange(&low, &high) + feature.getIncrement(&step),
            std::to_string(low) + ".." + std::to_string(high) + " by " + std::to_string(step));
    std::vector<std::string> entries;
    std::vector<std::string> descriptions;
    if (type == Tovrik::FeatureTypeEnumeration && feature.getEntries(entries, 0) == 0) {
        feature.getEntryDescriptions(descriptions, 0);
        for (size_t i = 0; i < entries.size(); ++i)
            add(entries[i].c_str(), feature.isEntryAvailable(entries[i], &flag),
                std::to_string(flag) + descriptions.at(i));
    }
    feature.getDescription(text);
    return out + " | " + text;
}

} // namespace

TEST(GenicamStatusTest, AravisErrorsBecomeTheSdkStatuses)
{
    const struct
    {
        GQuark domain;
        int code;
        int status;
        bool lostLink = false;
    } cases[] = {
        {ARV_GC_ERROR, ARV_GC_ERROR_NODE_NOT_FOUND, Status::NotFound},
        {ARV_GC_ERROR, ARV_GC_ERROR_OUT_OF_RANGE, Status::InvalidValue},
        {ARV_GC_ERROR, ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND, Status::InvalidValue},
        {ARV_GC_ERROR, ARV_GC_ERROR_READ_ONLY, Status::NoAccess},
        {ARV_GC_ERROR, ARV_GC_ERROR_NO_DEVICE_SET, Status::NotOpened},
        {ARV_GC_ERROR, ARV_GC_ERROR_INVALID_SYNTAX, Status::ParsingError},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_TIMEOUT, Status::Timeout, true},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_NOT_CONTROLLER, Status::NoAccess},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_PROTOCOL_ERROR_BUSY, Status::Busy},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_TRANSFER_ERROR, Status::IOError, true},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_FEATURE_NOT_FOUND, Status::NotFound},
        {G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED, Status::IOError},
    };
    for (const auto& c : cases) {
        GError* error = g_error_new(c.domain, c.code, "text %d", c.code);
        EXPECT_EQ(GenicamStatus::isLinkFailure(error), c.lostLink)
            << g_quark_to_string(c.domain) << " " << c.code;
        std::string message;
        EXPECT_EQ(GenicamStatus::take(&error, &message), c.status)
            << g_quark_to_string(c.domain) << " " << c.code;
        EXPECT_EQ(message, "text " + std::to_string(c.code));
    }
}

// The description is checked against the simulated camera, feature by feature and selector entry by
// selector entry: types, values after power-up, ranges, increments, entries with their
// availability and texts, writability. Only the vendor and model texts may differ. A fake camera
// started from the command line has cleared memory and no one to power it up: its numbers must be
// the powered-up camera's all the same (its choices may differ: nothing selected is still a choice).
TEST_F(GenicamFakeTest, PoweredUpDescriptionMatchesTheSimulatedCamera)
{
    for (bool cleared : {false, true}) {
        SCOPED_TRACE(cleared ? "registers cleared" : "power-up settings written");
        std::string error;
        camera = GenicamCamera::openFake("40123-0042", &error);
        ASSERT_TRUE(camera) << error;
        for (uint64_t address = 0x2000; cleared && address < 0x3200; address += 4)
            ASSERT_EQ(camera->writeRegister(address, 0), 0);
        compareWithTheSimulatedCamera(cleared);
    }
}

void GenicamFakeTest::compareWithTheSimulatedCamera(bool numbersOnly)
{
    std::vector<std::string> names;
    for (const auto& feature : camera->features()) {
        std::string name;
        feature->getName(name);
        names.push_back(name);
    }
    EXPECT_EQ(names, cameraFeatures); // the category tree's order
    EXPECT_EQ(camera->feature("NoSuchFeature"), nullptr);
    const std::shared_ptr<SimCamera> sim = SimCameraBuilder::lineScanCamera().build();
    for (const std::string& name :
         std::vector<std::string>(cameraFeatures.begin() + 2, cameraFeatures.end())) {
        const SimFeatureDefinition definition = sim->definition(name);
        if (definition.live)
            continue; // measured by the simulated camera as it acquires; the fake has no bench
        const bool number =
            definition.type == Tovrik::FeatureTypeInteger || definition.type == Tovrik::FeatureTypeFloat;
        if (numbersOnly && (!number || name == "Width" || name == "Height"))
            continue; // the image's shape is the fake's own
        for (const std::string& entry :
             definition.selector.empty() ? std::vector<std::string>{""} : sim->selectorEntries(name)) {
            if (!entry.empty()) {
                ASSERT_EQ(sim->write(definition.selector, entry), 0);
                set(definition.selector, entry);
            }
            EXPECT_EQ(describe(*handle(name)), describe(*sim->feature(name))) << name << " [" << entry << "]";
        }
    }
}

// Each selector entry has registers of its own. Selector values are cached within a burst of calls;
// the next burst reads them again, so what another party selected or wrote in between is what the
// page sees.
TEST_F(GenicamFakeTest, SelectedFeaturesFollowTheSelectionMadeHereOrElsewhere)
{
    std::string text;
    ASSERT_EQ(handle("TriggerMode")->setValue("On"), 0); // LineStart
    ASSERT_EQ(handle("TriggerMode")->getValue(text), 0);
    EXPECT_EQ(text, "On");
    ASSERT_EQ(camera->writeRegister(0x2020, 1), 0); // another party selects FrameStart ...
    ASSERT_EQ(camera->writeRegister(0x2204, 4), 0); // ... and sets its source
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_EQ(handle("TriggerMode")->getValue(text), 0);
    EXPECT_EQ(text, "Off"); // FrameStart's
    ASSERT_EQ(handle("TriggerSource")->getValue(text), 0);
    EXPECT_EQ(text, "Encoder0");
    ASSERT_EQ(handle("TriggerSource")->setValue("Line2"), 0);
    EXPECT_EQ(reg(0x2204), 1u);
    EXPECT_EQ(reg(0x2200), 0u); // LineStart's source untouched
}

TEST_F(GenicamFakeTest, LineRateIsLockedWhileLineStartIsTriggeredFromOutside)
{
    auto lineRate = handle("AcquisitionLineRate");
    bool writable = false;
    set("TriggerMode", "On");
    ASSERT_EQ(lineRate->isWritable(&writable), 0);
    EXPECT_FALSE(writable);
    EXPECT_EQ(lineRate->setValue(5000.0), Status::NoAccess);
    EXPECT_EQ(lineRate->setValue("5000"), Status::NoAccess);
    EXPECT_EQ(camera->value("AcquisitionLineRate"), "10000"); // not touched
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

TEST_F(GenicamFakeTest, RefusedValuesGetTheSdkStatusesAndReachNothing)
{
    // Exposure is bounded by the line period: 1e6 / 10000 - 1 us, then 1e6 / 5000 - 1.
    double min = 0, max = 0;
    ASSERT_EQ(handle("ExposureTime")->getRange(&min, &max), 0);
    EXPECT_EQ(max, 99.0);
    EXPECT_EQ(handle("ExposureTime")->setValue(150.0), Status::InvalidValue);
    ASSERT_EQ(handle("AcquisitionLineRate")->setValue(5000.0), 0);
    ASSERT_EQ(handle("ExposureTime")->getRange(&min, &max), 0);
    EXPECT_EQ(max, 199.0);
    bool flag = false;
    int64_t integer = 0;
    std::vector<std::string> entries;
    const std::pair<std::function<int()>, int> refusals[] = {
        {[&] { return handle("TriggerDivider")->setValue(int64_t{500}); }, Status::InvalidValue},
        {[&] { return handle("TriggerSource")->setValue("Bogus"); }, Status::InvalidValue},
        {[&] { return handle("TriggerSource")->setValue("Action0"); }, Status::InvalidValue}, // unavailable
        {[&] { return handle("EncoderDividerFloat")->setValue("1,5"); }, Status::InvalidValue},
        {[&] { return handle("EncoderDividerFloat")->setValue(std::nan("")); }, Status::InvalidParameter},
        {[&] { return handle("DeviceSerialNumber")->setValue("40999-0001"); }, Status::NoAccess},
        {[&] { return handle("ExposureTime")->getValue(&integer); }, Status::InvalidParameter}, // wrong form
        {[&] { return handle("LineInverter")->setValue(1.0); }, Status::InvalidParameter},
        {[&] { return handle("ExposureTime")->getEntries(entries, 0); }, Status::FunctionNotAvailable},
        {[&] { return handle("TriggerSource")->isEntryAvailable("Line9", &flag); }, Status::NotFound},
    };
    for (size_t i = 0; i < std::size(refusals); ++i)
        EXPECT_EQ(refusals[i].first(), refusals[i].second) << "refusal " << i;
    EXPECT_EQ(camera->value("TriggerSource"), "Line1");
    EXPECT_EQ(reg(0x2400), 0u); // the divider less one: cleared memory is the power-up 1
    EXPECT_EQ(camera->value("NoSuchFeature"), "#-104");
}

TEST_F(GenicamFakeTest, ObserversHearEachChangeOnceFromTheWorkerThread)
{
    auto observer = std::make_shared<RecordingObserver>();
    ASSERT_EQ(handle("EncoderSourceA")->registerObserver(observer), 0);
    ASSERT_EQ(handle("ExposureTime")->registerObserver(observer), 0);
    // Changed right after registering, before any poll: not taken for the baseline unreported.
    ASSERT_EQ(camera->writeRegister(0x2600, 4), 0); // another party
    camera->worker().pollNow();
    EXPECT_EQ(observer->taken(), std::vector<std::string>{"EncoderSourceA"});
    camera->worker().pollNow();
    EXPECT_TRUE(observer->taken().empty()); // unchanged: not again
    EXPECT_NE(observer->threads.front(), std::this_thread::get_id());
    set("LineMode", "Output"); // not observed
    camera->worker().pollNow();
    EXPECT_TRUE(observer->taken().empty());
    // A new line rate moves the exposure's upper limit: its observers hear of it.
    set("AcquisitionLineRate", "20000");
    camera->worker().pollNow();
    EXPECT_EQ(observer->taken(), std::vector<std::string>{"ExposureTime"});
    ASSERT_EQ(handle("EncoderSourceA")->unregisterObserver(observer), 0);
    EXPECT_EQ(camera->worker().poller().observerCount("EncoderSourceA"), 0u);
    ASSERT_EQ(camera->writeRegister(0x2600, 2), 0);
    camera->worker().pollNow();
    EXPECT_TRUE(observer->taken().empty());
    // The page detaches and attaches again at every tick: a change in between is heard once back.
    ASSERT_EQ(handle("EncoderSourceA")->registerObserver(observer), 0);
    camera->worker().pollNow();
    EXPECT_EQ(observer->taken(), std::vector<std::string>{"EncoderSourceA"});
    EXPECT_EQ(handle("EncoderSourceA")->registerObserver(nullptr), Status::InvalidParameter);
}

TEST_F(GenicamFakeTest, PollingFindsChangesWithoutBeingAskedAndAfterWrites)
{
    camera->worker().poller().setInterval(std::chrono::milliseconds(20));
    auto observer = std::make_shared<RecordingObserver>();
    std::string seen;
    // An observer may call back into the feature from the worker's delivery.
    observer->onUpdate = [&seen](const std::shared_ptr<Tovrik::Feature>& feature) {
        feature->getValue(seen);
    };
    ASSERT_EQ(handle("LineInverter")->registerObserver(observer), 0);
    ASSERT_EQ(handle("TriggerMode")->registerObserver(observer), 0);
    ASSERT_EQ(camera->writeRegister(0x2c00, 1), 0);
    ASSERT_EQ(handle("TriggerMode")->setValue("On"), 0);
    std::vector<std::string> heard;
    for (int wait = 0; heard.size() < 2 && wait < 1000; ++wait) {
        for (const std::string& name : observer->taken())
            heard.push_back(name);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::sort(heard.begin(), heard.end());
    EXPECT_EQ(heard, (std::vector<std::string>{"LineInverter", "TriggerMode"}));
    EXPECT_TRUE(seen == "On" || seen == "true") << seen;
}

TEST_F(GenicamFakeTest, HandlesOutliveTheCamera)
{
    const auto mode = camera->feature("TriggerMode");
    auto observer = std::make_shared<RecordingObserver>();
    ASSERT_EQ(mode->registerObserver(observer), 0);
    camera.reset();
    std::string text;
    EXPECT_EQ(mode->getName(text), 0);
    EXPECT_EQ(text, "TriggerMode");
    EXPECT_EQ(mode->getValue(text), Status::NotOpened);
    EXPECT_EQ(mode->setValue("On"), Status::NotOpened);
    EXPECT_EQ(mode->registerObserver(observer), Status::NotOpened);
    EXPECT_EQ(observer.use_count(), 1); // the closed camera let go of it
}

TEST(GenicamOpenTest, CamerasThatDoNotAnswerAreRefusedWithinASecond)
{
    std::string error;
    // A loopback address nobody answers on: asked directly, so nothing is broadcast.
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(GenicamCamera::open("127.0.0.254", &error), nullptr);
    EXPECT_EQ(error, "no GigE Vision camera answers at 127.0.0.254");
    EXPECT_LT(clock.elapsed(), 1500);
}
