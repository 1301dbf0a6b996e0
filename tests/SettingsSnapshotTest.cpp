#include "SettingsSnapshot.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "SimDevice.h"
#include "SimVariantReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct Camera
{
    Camera() : camera(SimCameraBuilder::lineScanCamera().build()), device(camera, "test camera") {}
    explicit Camera(const std::shared_ptr<SimCamera>& built) : camera(built), device(camera, "test camera") {}

    SettingsSnapshot take() const { return SettingsSnapshot::take(device); }
    SettingsSnapshot::Outcome apply(const SettingsSnapshot& snapshot) const { return snapshot.apply(device); }

    std::shared_ptr<SimCamera> camera;
    SimDevice device;
};

// A camera set up as on site: an encoder on two channels at a fractional divider, a line inverted,
// another an output, the rate and exposure changed before the external trigger locked the rate,
// and a feature the model does not know.
std::shared_ptr<SimCamera> commissioned()
{
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    QString error;
    EXPECT_TRUE(SimVariantReader(builder).read(
        R"({"features": {"Gain": {"type": "float", "min": 0, "max": 24, "increment": 0.1, "value": 6.5},
                         "TestPattern": {"type": "enumeration", "entries": ["Off", "Ramp"], "value": "Off"}}})",
        &error))
        << error.toStdString();
    std::shared_ptr<SimCamera> camera = builder.build();
    for (const auto& [name, value, entry] :
         std::initializer_list<std::tuple<const char*, const char*, const char*>>{
             {"AcquisitionLineRate", "5000", ""},
             {"ExposureTime", "30", ""},
             {"Gain", "12.3", ""},
             {"TestPattern", "Ramp", ""},
             {"EncoderSourceB", "Line2", ""},
             {"EncoderMode", "HighResolution", ""},
             {"EncoderDividerFloat", "1.3038", ""},
             {"LineInverter", "true", "Line3"},
             {"LineMode", "Output", "Line4"},
             {"TriggerSource", "Encoder0", "LineStart"},
             {"TriggerActivation", "FallingEdge", "LineStart"},
             {"TriggerMode", "On", "LineStart"},
             {"TriggerSelector", "LineStart", ""},
             {"LineSelector", "Line2", ""},
         })
        EXPECT_EQ(camera->write(name, value, entry), 0) << name;
    return camera;
}

} // namespace

// Saved, applied to a camera as it comes, saved again: the same snapshot, and nothing refused,
// although the line rate is locked once the external trigger is on.
TEST(SettingsSnapshot, RoundTripThroughADefaultCamera)
{
    const Camera site(commissioned());
    const SettingsSnapshot saved = site.take();
    const SettingsSnapshot::Feature* inverter = saved.find(QStringLiteral("LineInverter"));
    ASSERT_TRUE(inverter);
    EXPECT_EQ(inverter->values.size(), 4U); // one value per line
    EXPECT_EQ(inverter->values.at(QStringLiteral("Line3")), QJsonValue(true));
    EXPECT_FALSE(saved.find(QStringLiteral("AcquisitionStart"))); // commands are no settings
    EXPECT_EQ(site.camera->value("LineSelector"), "Line2");       // reading left the selectors

    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    QString error;
    ASSERT_TRUE(SimVariantReader(builder).read(
        R"({"features": {"Gain": {"type": "float", "min": 0, "max": 24, "increment": 0.1, "value": 0},
                         "TestPattern": {"type": "enumeration", "entries": ["Off", "Ramp"], "value": "Off"}}})",
        &error));
    const Camera fresh(builder.build());
    const SettingsSnapshot::Outcome outcome = fresh.apply(saved);
    for (const auto& refusal : outcome.refused)
        ADD_FAILURE() << refusal.feature.toStdString() << " " << refusal.entry.toStdString() << " "
                      << refusal.reason.toStdString();
    EXPECT_GT(outcome.written, 10);
    const SettingsSnapshot again = fresh.take();
    for (const auto& difference : SettingsSnapshot::compare(saved, again))
        ADD_FAILURE() << difference.feature.toStdString() << " " << difference.entry.toStdString() << ": "
                      << difference.left.toStdString() << " / " << difference.right.toStdString();
    EXPECT_EQ(saved.toJson(), again.toJson());
    EXPECT_EQ(fresh.camera->value("TriggerSelector"), "LineStart");
    EXPECT_EQ(fresh.camera->value("LineSelector"), "Line2");

    // Applied once more, nothing is written.
    const SettingsSnapshot::Outcome second = fresh.apply(saved);
    EXPECT_EQ(second.written, 0);
    EXPECT_TRUE(second.refused.empty());
}

// The file is a camera variant: it opens as a simulated camera that holds the same settings, and
// a feature the model does not know comes with its type, range and entries.
TEST(SettingsSnapshot, OpensAsASimulatedCamera)
{
    const Camera site(commissioned());
    const SettingsSnapshot saved = site.take();
    const QByteArray json = saved.toJson();
    EXPECT_TRUE(json.contains(R"("Gain": {)"));
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    QString error;
    ASSERT_TRUE(SimVariantReader(builder).read(json, &error)) << error.toStdString();
    const Camera opened(builder.build());
    for (const auto& difference : SettingsSnapshot::compare(saved, opened.take()))
        ADD_FAILURE() << difference.feature.toStdString() << " " << difference.entry.toStdString() << ": "
                      << difference.left.toStdString() << " / " << difference.right.toStdString();
    EXPECT_EQ(opened.camera->definition("Gain").max, 24.0);
    // Ranges of the model's own features still follow the others: a lower rate allows a longer
    // exposure than the one the snapshot was taken at.
    EXPECT_EQ(opened.camera->write("TriggerMode", "Off", "LineStart"), 0);
    EXPECT_EQ(opened.camera->write("AcquisitionLineRate", "1000"), 0);
    EXPECT_EQ(opened.camera->write("ExposureTime", "900"), 0);
}

// What the camera refuses is said, feature by feature, and the rest is applied; what the camera
// only tells is never written.
TEST(SettingsSnapshot, RefusedWritesAreReportedAndTheRestApplied)
{
    QString error;
    const std::optional<SettingsSnapshot> snapshot = SettingsSnapshot::read(
        R"({"features": {"ExposureTime": {"value": 1e9}, "EncoderSourceA": {"value": "Line9"},
                         "DeviceSerialNumber": {"value": "40999-0001"}, "Height": {"value": 512},
                         "Unknown": {"type": "integer", "value": 3},
                         "TriggerMode": {"value": {"LineStart": "On", "Bogus": "On"}}}})",
        &error);
    ASSERT_TRUE(snapshot) << error.toStdString();
    const Camera camera;
    const SettingsSnapshot::Outcome outcome = camera.apply(*snapshot);
    EXPECT_EQ(camera.camera->value("Height"), "512");
    EXPECT_EQ(camera.camera->value("TriggerMode", "LineStart"), "On");
    EXPECT_NE(camera.camera->value("DeviceSerialNumber"), "40999-0001");
    QStringList refused;
    for (const auto& refusal : outcome.refused) {
        refused << refusal.feature + " " + refusal.entry + " " + refusal.value;
        EXPECT_TRUE(refusal.reason.startsWith("Code: [") ||
                    refusal.reason == "the camera has no such feature")
            << refusal.reason.toStdString();
    }
    EXPECT_EQ(refused.join(" / ").toStdString(),
              "Unknown  3 / EncoderSourceA EncoderSelector=Encoder0 Line9 / ExposureTime  1e+09 / "
              "TriggerMode TriggerSelector=Bogus On");

    // Look only: every write refused, nothing changed.
    camera.camera->setReadOnly(true);
    const Camera site(commissioned());
    const SettingsSnapshot::Outcome looking = camera.apply(site.take());
    EXPECT_EQ(looking.written, 0);
    EXPECT_GT(looking.refused.size(), 5U);
    EXPECT_EQ(camera.camera->value("EncoderSourceB"), "Off");
}

TEST(SettingsSnapshot, NoSnapshotIsSaidInOneLine)
{
    const std::pair<const char*, const char*> files[] = {
        {"{", "malformed JSON at character 1 (unterminated object)"},
        {"[]", "a snapshot is a JSON object with \"features\", an object by feature name"},
        {R"({"features": []})", "a snapshot is a JSON object with \"features\", an object by feature name"},
        {R"({"features": {"Height": 5}})", "feature Height: its description must be an object"},
        {R"({"features": {"Height": {"value": [1]}}})",
         "feature Height: its value must be true, false, a number, a text or an object by selector entry"},
        {R"({"features": {"TriggerMode": {"value": {"LineStart": null}}}})",
         "feature TriggerMode: the value for LineStart must be true, false, a number or a text"},
    };
    for (const auto& [json, message] : files) {
        QString error;
        EXPECT_FALSE(SettingsSnapshot::read(json, &error)) << json;
        EXPECT_EQ(error.toStdString(), message) << json;
    }
}

// Side by side: what differs per feature and entry, also what only one of them has.
TEST(SettingsSnapshot, ComparisonListsWhatDiffers)
{
    const Camera site(commissioned());
    const Camera plain;
    const std::vector<SettingsSnapshot::Difference> differences =
        SettingsSnapshot::compare(site.take(), plain.take());
    QStringList lines;
    for (const auto& d : differences)
        lines << d.feature + " " + d.entry + ": " + d.left + " | " + d.right;
    for (const char* expected :
         {"TriggerMode TriggerSelector=LineStart: On | Off", "LineInverter LineSelector=Line3: true | false",
          "EncoderDividerFloat EncoderSelector=Encoder0: 1.3038 | 1", "Gain : 12.3 | ",
          "AcquisitionLineRate : 5000 | 10000"})
        EXPECT_TRUE(lines.contains(expected)) << expected << "\n" << lines.join('\n').toStdString();
    EXPECT_FALSE(lines.join('\n').contains("TriggerMode TriggerSelector=FrameStart"));
    EXPECT_TRUE(SettingsSnapshot::compare(plain.take(), plain.take()).empty());
}
