#include "TriggerCheck.h"
#include "Calculator.h"
#include "ChartMeasure.h"
#include "LineFrame.h"
#include "SimAcquisition.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "SimDevice.h"
#include "TestHost.h"
#include "TriggerSample.h"
#include "TriggerSampler.h"
#include "TriggerVerdict.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>

namespace {

using std::chrono::milliseconds;

// A situation on the simulated camera: its features and its bench.
struct Situation
{
    const char* name;
    std::function<void(SimCamera&, SimBench&)> setUp;
    bool start;
    const char* saying; // what the sentence must say
};

void encoderTrigger(SimCamera& camera)
{
    camera.write("TriggerMode", "On", "LineStart");
    camera.write("TriggerSource", "Encoder0", "LineStart");
}

void lineTrigger(SimCamera& camera, const char* activation)
{
    camera.write("TriggerMode", "On", "LineStart");
    camera.write("TriggerSource", "Line1", "LineStart");
    camera.write("TriggerActivation", activation, "LineStart");
}

void twoChannels(SimCamera& camera, SimBench&)
{
    encoderTrigger(camera);
    camera.write("EncoderSourceB", "Line2");
}

// Runs the camera for a second and a half of simulated time, sampled at irregular intervals as the
// trigger check samples it, and returns the sentence.
QString verdictOn(const std::shared_ptr<SimCamera>& camera, TriggerObservation* observation = nullptr)
{
    const SimDevice device(camera, "test camera");
    TriggerSampler sampler;
    static const int steps[] = {83, 113, 97, 107};
    double seconds = 0.0;
    for (int i = 0; seconds < 1.5; ++i) {
        camera->acquisition().advance(milliseconds(steps[i % 4]));
        seconds += steps[i % 4] / 1000.0;
        sampler.add(device.sampleNow());
    }
    if (observation)
        *observation = sampler.observation();
    return TriggerVerdict::sentence(sampler.observation());
}

} // namespace

// Each situation an integrator meets on site, and the sentence that names it.
TEST(TriggerCheck, EachSituationIsNamedInOneSentence)
{
    // clang-format off
    const Situation situations[] = {
        {"stopped", [](SimCamera&, SimBench&) {}, false, "Acquisition is stopped"},
        {"internal trigger on a moving belt", [](SimCamera&, SimBench&) {}, true,
         "Lines come at the camera's own line rate, 10000 per second, 40 per mm; square pixels need 10 per mm, so the "
         "image is stretched 4 times along the belt: set the line rate to 2500 per second"},
        {"internal trigger, TriggerDivider has no say", [](SimCamera& c, SimBench&) { c.write("TriggerDivider", "2", "LineStart"); },
         true, "10000 per second, 40 per mm"},
        {"internal trigger, belt standing", [](SimCamera&, SimBench& b) { b.beltSpeed = 0; }, true,
         "Lines come at the camera's own line rate, 10000 per second."},
        {"encoder, square pixels", twoChannels, true, "Lines follow the encoder: 2500 per second, 10 per mm: square pixels."},
        {"encoder, two pulses per line", [](SimCamera& c, SimBench& b) { twoChannels(c, b); c.write("EncoderDividerFloat", "2"); },
         true, "5 per mm; square pixels need 10 per mm, so the image is squeezed to 0.5 of its length along the belt: set "
         "the pulses per line to 1."},
        {"one channel, belt backwards", [](SimCamera& c, SimBench& b) { encoderTrigger(c); b.beltSpeed = -250; }, true,
         "The belt runs backwards: with one channel the encoder cannot tell"},
        {"two channels, belt backwards", [](SimCamera& c, SimBench& b) { twoChannels(c, b); b.beltSpeed = -250; }, true,
         "No lines: the encoder counts backwards (2500 a second)"},
        {"encoder wired to Line3, page on Line1", [](SimCamera& c, SimBench& b) {
             encoderTrigger(c); b.output = SimEncoderOutput::SingleEnded; b.lineA = 3; b.lineB = 0; }, true,
         "Channel A is set to Line1, which shows no signal, while Line3 does: the encoder seems wired to Line3 "
         "(\"Line3 - IO Pin 3\" on the page)."},
        {"channel B not wired", [](SimCamera& c, SimBench& b) { twoChannels(c, b); b.lineB = 0; }, true,
         "channel A's Line1 has a signal but channel B's Line2 has none"},
        {"no encoder at all", [](SimCamera& c, SimBench& b) { encoderTrigger(c); b.lineA = 0; b.lineB = 0; }, true,
         "No encoder signal at all"},
        {"encoder without input", [](SimCamera& c, SimBench&) { encoderTrigger(c); c.write("EncoderSourceA", "Off"); },
         true, "the encoder has no input"},
        {"line trigger from software", [](SimCamera& c, SimBench&) { c.write("TriggerMode", "On", "LineStart");
             c.write("TriggerSource", "Software", "LineStart"); }, true,
         "No lines: the line trigger waits for Software, while the encoder turns: choose the encoder on the page."},
        {"overtrigger", [](SimCamera& c, SimBench& b) { twoChannels(c, b); b.beltSpeed = 5000; }, true,
         "Lines are missed: triggers come at 50000 per second, 150 % more than an exposure of 50 µs allows (20000 "
         "lines per second). Shorten the exposure to 18.1 µs, 10 % below the 20 µs the triggers leave, or raise the "
         "pulses per line to 2.75. At this exposure the belt may run at most 2000 mm/s (120 m/min)."},
        {"beyond the top line rate", [](SimCamera& c, SimBench& b) {
             twoChannels(c, b); c.write("ExposureTime", "5"); b.beltSpeed = 10000; }, true,
         "Lines are missed: triggers come at 100000 per second, more than the camera's top line rate of 80000; run the "
         "belt slower, or raise the pulses per line to 1.375."},
        {"rising edges of the encoder's channel A", [](SimCamera& c, SimBench&) { lineTrigger(c, "RisingEdge"); }, true,
         "Lines follow Line1 (rising edges): 2500 per second, 10 per mm: square pixels."},
        {"every edge of channel A", [](SimCamera& c, SimBench&) { lineTrigger(c, "AnyEdge"); }, true,
         "Lines follow Line1 (every edge): 5000 per second, 20 per mm; square pixels need 10 per mm, so the image is "
         "stretched 2 times along the belt: set the trigger divider (TriggerDivider) to 2."},
        {"lines while channel A is high", [](SimCamera& c, SimBench&) { lineTrigger(c, "LevelHigh"); }, true,
         "Lines are taken at the line rate of 10000 per second while Line1 is high (LevelHigh): "},
        {"two channels backwards, channel A inverted", [](SimCamera& c, SimBench& b) {
             twoChannels(c, b); c.write("LineSelector", "Line1"); c.write("LineInverter", "true"); b.beltSpeed = -250; },
         true, "The belt runs backwards, yet the encoder counts up: Line1 is inverted, which turns the count round; the "
         "image is mirrored along the belt."},
        {"TriggerDivider 2 behind the encoder", [](SimCamera& c, SimBench& b) {
             twoChannels(c, b); c.write("TriggerDivider", "2", "LineStart"); }, true,
         "the trigger divider (TriggerDivider) of 2 drops lines the encoder makes; set it to 1 and the pulses per line "
         "to 1."},
    };
    // clang-format on
    for (const Situation& situation : situations) {
        SCOPED_TRACE(situation.name);
        const std::shared_ptr<SimCamera> camera = SimCameraBuilder::lineScanCamera().build();
        SimBench bench = camera->acquisition().bench();
        situation.setUp(*camera, bench);
        ASSERT_TRUE(camera->acquisition().setBench(bench));
        if (situation.start) {
            ASSERT_EQ(camera->write("AcquisitionStart", "1"), 0);
        }
        const QString verdict = verdictOn(camera);
        EXPECT_TRUE(verdict.contains(QString::fromUtf8(situation.saying))) << verdict.toStdString();
    }
}

// What the check measures beside its sentence: the encoder's count and direction, which lines move.
TEST(TriggerCheck, MeasuresTheEncoderAndTheLinesActivity)
{
    const std::shared_ptr<SimCamera> camera = SimCameraBuilder::lineScanCamera().build();
    SimBench bench;
    twoChannels(*camera, bench);
    camera->write("AcquisitionStart", "1");
    TriggerObservation o;
    verdictOn(camera, &o);
    ASSERT_TRUE(o.countsPerSecond);
    EXPECT_NEAR(*o.countsPerSecond, 2500, 50);
    EXPECT_EQ(o.encoderStatus, "EncoderUp");
    EXPECT_NEAR(o.linesPerSecond, 2500, 50);
    using Activity = TriggerObservation::Activity;
    EXPECT_EQ(o.lines, (std::array<Activity, 5>{Activity::Unknown, Activity::Active, Activity::Active,
                                                Activity::Low, Activity::Low}));
    // What the camera does not have stays unknown.
    camera->removeFeature("EncoderValue");
    camera->removeFeature("LineStatusAll");
    verdictOn(camera, &o);
    EXPECT_FALSE(o.countsPerSecond);
    EXPECT_EQ(o.lines[1], Activity::Unknown);
}

// The calculator's pulses per line, typed into the camera, give round circles on the chart; it
// never writes the camera itself.
TEST(TriggerCheck, CalculatorsPulsesPerLineGiveRoundCircles)
{
    SimBench bench;
    bench.pulsesPerRevolution = 2048;
    bench.wheelCircumference = 157.08;
    const std::shared_ptr<SimCamera> camera = SimCameraBuilder::lineScanCamera().setBench(bench).build();
    Calculator calculator;
    calculator.setInputs({bench.pixelSize, bench.pulsesPerRevolution, bench.wheelCircumference});
    const TriggerSample sample = SimDevice(camera, "test camera").sampleNow();
    calculator.setCamera(sample.settings.exposureUs, sample.settings.topLineRate);
    EXPECT_EQ(calculator.pulsesPerLine(), "1.3038");
    EXPECT_TRUE(calculator.fastestBelt().startsWith("2000.0 mm/s")) << calculator.fastestBelt().toStdString();
    EXPECT_TRUE(camera->journal().empty());

    twoChannels(*camera, bench);
    camera->write("EncoderDividerFloat", calculator.pulsesPerLine().toStdString());
    camera->write("Height", "2048");
    std::shared_ptr<const LineFrame> first;
    camera->acquisition().setFrameListener([&camera, &first] {
        while (std::shared_ptr<const LineFrame> frame = camera->acquisition().takeFrame())
            first = first ? first : frame;
    });
    camera->write("AcquisitionStart", "1");
    camera->acquisition().advance(milliseconds(840)); // 210 mm
    ASSERT_TRUE(first);
    EXPECT_NEAR(aspectOfTheCentreCircle(*first), 1.0, 0.02);
}

// Circles found stand for the image a while after they left the view, but not across a change of
// the settings, which changes the stretch; a new start forgets them.
TEST(TriggerCheck, CirclesInViewAreHeldOnlyWhileTheSettingsStand)
{
    const std::shared_ptr<SimCamera> camera = SimCameraBuilder::lineScanCamera().build();
    const SimDevice device(camera, "test camera");
    TriggerCheck check;
    const auto image = [&check] {
        return check.findChild<QLabel*>(QStringLiteral("image"))->text();
    };
    const auto sample = [&] {
        camera->acquisition().advance(milliseconds(100));
        check.add(device.sampleNow());
    };
    camera->write("AcquisitionStart", "1");
    sample();
    EXPECT_EQ(image(), "not measured yet");
    check.setImageMeasurement(std::nullopt);
    EXPECT_EQ(image(), "no filled circles wholly in view: nothing measured");
    EXPECT_FALSE(check.observation().stretchFromImage);

    check.setImageMeasurement(CircleTarget::Measurement{1, 4.0, 0.0});
    EXPECT_EQ(image(), "stretch 4.000 ± 0.000 from 1 filled circle in view (1 is square)");
    check.setImageMeasurement(CircleTarget::Measurement{3, 3.9996, 0.0012});
    EXPECT_EQ(image(), "stretch 4.000 ± 0.001 from 3 filled circles in view (1 is square)");
    check.setImageMeasurement(std::nullopt); // the circles left the view
    sample();
    EXPECT_EQ(check.observation().stretchFromImage, 3.9996);

    camera->write("AcquisitionLineRate", "2500");
    for (int i = 0; i < 3; ++i)
        sample();
    EXPECT_EQ(check.observation().stretchFromImage, 3.9996); // until the next look finds none
    check.setImageMeasurement(std::nullopt);
    EXPECT_FALSE(check.observation().stretchFromImage);

    check.setImageMeasurement(CircleTarget::Measurement{3, 1.0, 0.0});
    check.forgetImage();
    EXPECT_EQ(image(), "not measured yet");
    EXPECT_FALSE(check.observation().stretchFromImage);
}
