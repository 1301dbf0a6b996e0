#include "SimAcquisition.h"
#include "LineFrame.h"
#include "SimFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

using std::chrono::nanoseconds;

struct Write
{
    const char* feature;
    const char* value;
    const char* entry;
};

// The camera triggered by its encoder, on the default bench: a differential encoder of 10 pulses
// per mm, channel A on Line1 and B on Line2, the belt at 250 mm/s.
class SimAcquisitionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        write({{"TriggerMode", "On", "LineStart"}, {"TriggerSource", "Encoder0", "LineStart"}});
        ASSERT_EQ(camera->write("AcquisitionStart", "1"), 0);
    }
    void write(const std::vector<Write>& writes)
    {
        for (const Write& w : writes)
            ASSERT_EQ(camera->write(w.feature, w.value, w.entry ? w.entry : ""), 0) << w.feature;
    }
    // A quarter and a half of the encoder's period that way: off its edges, so that a run of whole
    // millimetres neither starts nor ends on one.
    void settle(double direction = 1.0, double speed = 250.0)
    {
        move(std::copysign(0.0375, direction), speed);
    }
    // Moves the belt by mm (negative: backwards), in simulated time.
    void move(double mm, double speed = 250.0)
    {
        acquisition().setBeltSpeed(std::copysign(speed, mm));
        acquisition().advance(nanoseconds(std::llround(std::fabs(mm) / speed * 1e9)));
    }
    SimAcquisition& acquisition() { return camera->acquisition(); }
    int64_t count() const { return std::stoll(camera->value("EncoderValue")); }
    int64_t lines() { return static_cast<int64_t>(acquisition().statistics().lines); }
    int64_t missed() const { return std::stoll(camera->value("LineTriggerMissedCount")); }
    void setBench(const SimBench& bench) { ASSERT_TRUE(acquisition().setBench(bench)); }
    // AcquisitionStop as another party writes it; the last, partly filled frame is handed over.
    void stop()
    {
        ASSERT_EQ(camera->write("AcquisitionStop", "1"), 0);
        acquisition().handOver();
    }
    // Takes every frame as it comes, on the advancing thread.
    void collectFrames()
    {
        acquisition().setFrameListener([this] {
            while (std::shared_ptr<const LineFrame> frame = acquisition().takeFrame())
                frames.push_back(frame);
        });
    }

    std::shared_ptr<SimCamera> camera = SimCameraBuilder::lineScanCamera().build();
    std::vector<std::shared_ptr<const LineFrame>> frames;
};

struct CountCase
{
    const char* name;
    std::vector<Write> camera;
    SimEncoderOutput output;
    int lineA, lineB; // where the bench wires the channels
    double mm;        // travel, negative backwards
    int64_t counts;   // change of EncoderValue
    int64_t lines;
    const char* status;
};

} // namespace

// What reaches the camera's lines is counted by its encoder module and turned into lines: wiring,
// electrical kind, line mode, inverter, channels and counting mode, either way of the belt.
TEST_F(SimAcquisitionTest, EncoderCountsWhatReachesItsLinesAndTriggersOnNewTravelOnly)
{
    const auto diff = SimEncoderOutput::Differential;
    const auto single = SimEncoderOutput::SingleEnded;
    const Write twoChannels{"EncoderSourceB", "Line2", "Encoder0"};
    const Write invertA{"LineInverter", "true", "Line1"};
    const Write highResolution{"EncoderMode", "HighResolution", "Encoder0"};
    // clang-format off
    const CountCase cases[] = {
        {"one channel", {}, diff, 1, 2, 10, 100, 100, "EncoderUp"},
        {"one channel counts up backwards too", {}, diff, 1, 2, -10, 100, 100, "EncoderUp"},
        {"two channels", {twoChannels}, diff, 1, 2, 10, 100, 100, "EncoderUp"},
        {"two channels backwards", {twoChannels}, diff, 1, 2, -10, -100, 0, "EncoderDown"},
        {"inverted A reverses", {twoChannels, invertA}, diff, 1, 2, 10, -100, 0, "EncoderDown"},
        {"inverted A backwards", {twoChannels, invertA}, diff, 1, 2, -10, 100, 100, "EncoderUp"},
        {"inverted A alone changes nothing", {invertA}, diff, 1, 2, 10, 100, 100, "EncoderUp"},
        {"every third trigger", {twoChannels, {"TriggerDivider", "3", "LineStart"}}, diff, 1, 2, 10, 100, 33, "EncoderUp"},
        {"high resolution", {twoChannels, highResolution}, diff, 1, 2, 10, 400, 400, "EncoderUp"},
        {"high resolution, one channel", {highResolution}, diff, 1, 2, 10, 200, 200, "EncoderUp"},
        {"single-ended on Line3", {{"EncoderSourceA", "Line3", "Encoder0"}}, single, 3, 4, 10, 100, 100, "EncoderUp"},
        {"single-ended on a differential input", {}, single, 1, 2, 10, 0, 0, "EncoderStatic"},
        {"differential on a single-ended input", {{"EncoderSourceA", "Line3", "Encoder0"}}, diff, 3, 4, 10, 0, 0, "EncoderStatic"},
        {"A wired to another line", {}, diff, 2, 0, 10, 0, 0, "EncoderStatic"},
        {"line set to output", {{"LineMode", "Output", "Line1"}}, diff, 1, 2, 10, 0, 0, "EncoderStatic"},
        {"B not wired", {twoChannels}, diff, 1, 0, 10, 0, 0, "EncoderStatic"},
        {"no source", {{"EncoderSourceA", "Off", "Encoder0"}}, diff, 1, 2, 10, 0, 0, "EncoderIdle"},
    };
    // clang-format on
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.name);
        camera = SimCameraBuilder::lineScanCamera().build();
        SetUp();
        SimBench bench;
        bench.output = c.output;
        bench.lineA = c.lineA;
        bench.lineB = c.lineB;
        setBench(bench);
        write(c.camera);
        settle(c.mm);
        const int64_t countBefore = count();
        const int64_t linesBefore = lines();
        move(c.mm);
        EXPECT_EQ(count() - countBefore, c.counts);
        EXPECT_EQ(lines() - linesBefore, c.lines);
        EXPECT_EQ(camera->value("EncoderStatus"), c.status);
    }
}

// Lines resume only once the belt has made up the way it went back.
TEST_F(SimAcquisitionTest, TravelBackwardsIsMadeUpBeforeLinesResume)
{
    write({{"EncoderSourceB", "Line2", "Encoder0"}});
    settle();
    move(10);
    move(-5);
    EXPECT_EQ(lines(), 100);
    move(4.9);
    EXPECT_EQ(lines(), 100);
    move(10.1);
    EXPECT_EQ(lines(), 200);
    EXPECT_EQ(count(), 200);
    camera->write("EncoderReset", "1", "Encoder0");
    EXPECT_EQ(count(), 0);
}

// The bench's Reverse builds the bench anew; the camera must not take that for a new start and
// forget the way back. EncoderReset does forget it: the previous maximum goes with the count.
TEST_F(SimAcquisitionTest, BenchChangesKeepTheWayBackButEncoderResetForgetsIt)
{
    write({{"EncoderSourceB", "Line2", "Encoder0"}});
    settle();
    move(10);
    const auto turn = [this](double speed) {
        SimBench bench = acquisition().bench();
        bench.beltSpeed = speed;
        setBench(bench);
    };
    turn(-250);
    acquisition().advance(nanoseconds(20'000'000)); // 5 mm back
    turn(250);
    acquisition().advance(nanoseconds(19'600'000)); // 4.9 mm: not made up yet
    EXPECT_EQ(lines(), 100);
    EXPECT_EQ(count(), 99);
    acquisition().advance(nanoseconds(20'400'000));
    EXPECT_EQ(lines(), 150);

    turn(-250);
    acquisition().advance(nanoseconds(20'000'000));
    camera->write("EncoderReset", "1", "Encoder0");
    turn(250);
    acquisition().advance(nanoseconds(4'000'000)); // 1 mm
    EXPECT_EQ(count(), 10);
    EXPECT_EQ(lines(), 160);
}

// A fractional divider over millions of counts: every line at the count the exact quotient says,
// so at the position that count is at.
TEST_F(SimAcquisitionTest, FractionalDividerDoesNotDrift)
{
    const float divider = 1.3038f; // as the page writes it, through single precision
    camera->write("AcquisitionStop", "1");
    write(
        {{"EncoderSourceB", "Line2", "Encoder0"}, {"Width", "16", nullptr}, {"ExposureTime", "10", nullptr}});
    ASSERT_EQ(camera->feature("EncoderDividerFloat")->setValue(static_cast<double>(divider)), 0);
    std::vector<double> positions;
    acquisition().setFrameListener([this, &positions] {
        while (std::shared_ptr<const LineFrame> frame = acquisition().takeFrame())
            positions.insert(positions.end(), frame->positionsMm.begin(), frame->positionsMm.end());
    });
    camera->write("AcquisitionStart", "1");
    settle(1.0, 7800.0);
    move(300000.0, 7800.0); // 3 million counts, 60000 lines/s
    stop();
    ASSERT_EQ(count(), 3000000);
    EXPECT_EQ(missed(), 0);
    // divider = mantissa / 2^(24 - exponent) exactly: line k comes at count ceil(k * divider), which
    // is at count / 10 mm.
    int exponent = 0;
    const auto mantissa = static_cast<int64_t>(std::ldexp(std::frexp(divider, &exponent), 24));
    const int shift = 24 - exponent;
    ASSERT_EQ(static_cast<int64_t>(positions.size()), (count() << shift) / mantissa);
    for (size_t k = 1; k <= positions.size(); ++k) {
        const int64_t atCount = (static_cast<int64_t>(k) * mantissa + (int64_t{1} << shift) - 1) >> shift;
        ASSERT_NEAR(positions[k - 1], atCount / 10.0, 1e-6) << "line " << k;
    }
}

// A trigger within a line's exposure is missed and counted; exposure fits: none is.
TEST_F(SimAcquisitionTest, TriggersFasterThanTheExposureAllowsAreMissedAndCounted)
{
    write({{"EncoderSourceB", "Line2", "Encoder0"}, {"ExposureTime", "99", nullptr}});
    settle(1.0, 2000);
    move(100, 2000); // 20 kHz of triggers, a line lasts 99 us
    EXPECT_EQ(lines(), 500);
    EXPECT_EQ(missed(), 500);
    camera->write("AcquisitionStop", "1");
    camera->write("ExposureTime", "49");
    camera->write("AcquisitionStart", "1");
    EXPECT_EQ(missed(), 0);
    move(100, 2000);
    EXPECT_EQ(lines(), 1000);
    EXPECT_EQ(missed(), 0);
}

// TriggerSource a line: its edges or, for a level, the line rate while the level holds.
TEST_F(SimAcquisitionTest, LineSourcesTriggerOnTheirActivation)
{
    const struct
    {
        const char* activation;
        int64_t lines;
    } cases[] = {
        {"RisingEdge", 100}, {"FallingEdge", 100}, {"AnyEdge", 200}, {"LevelHigh", 300}, {"LevelLow", 300}};
    SimBench bench;
    bench.output = SimEncoderOutput::SingleEnded;
    bench.lineA = 3;
    bench.lineB = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.activation);
        camera = SimCameraBuilder::lineScanCamera().build();
        SetUp();
        setBench(bench);
        write({{"TriggerSource", "Line3", "LineStart"}, {"TriggerActivation", c.activation, "LineStart"}});
        settle(1.0, 200.0);
        const int64_t before = lines();
        move(10, 200.0); // 100 pulses; a level holds 250 us of each 500, taking a line every 100 us
        EXPECT_EQ(lines() - before, c.lines);
    }
}

// Frames of Height lines with their times and belt positions; a stop hands over the lines so far;
// the image's shape is fixed while the camera acquires.
TEST_F(SimAcquisitionTest, FramesCarryTheirLinesTimesAndPositions)
{
    camera->write("AcquisitionStop", "1");
    write({{"EncoderSourceB", "Line2", "Encoder0"}, {"Height", "100", nullptr}, {"Width", "1024", nullptr}});
    EXPECT_EQ(camera->value("PayloadSize"), "102400");
    collectFrames();
    camera->write("AcquisitionStart", "1");
    EXPECT_EQ(camera->feature("Width")->setValue(int64_t{2048}), -112);
    settle();
    move(25);
    stop();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[2]->lines, 50);
    for (size_t i = 0; i < frames.size(); ++i) {
        const LineFrame& frame = *frames[i];
        EXPECT_EQ(frame.id, i);
        EXPECT_EQ(frame.width, 1024);
        ASSERT_EQ(frame.timestampsNs.size(), static_cast<size_t>(frame.lines));
        for (int line = 1; line < frame.lines; ++line) {
            EXPECT_NEAR(frame.positionsMm[line] - frame.positionsMm[line - 1], 0.1, 1e-9);
            EXPECT_NEAR(frame.timestampsNs[line] - frame.timestampsNs[line - 1], 400000,
                        1); // 0.1 mm at 250 mm/s
        }
    }
    EXPECT_EQ(camera->feature("Width")->setValue(int64_t{2048}), 0);
}

// A consumer that does not keep up loses frames, counted; the buffers in use never grow.
TEST_F(SimAcquisitionTest, SlowConsumerLosesFramesNotMemory)
{
    camera->write("AcquisitionStop", "1");
    write({{"TriggerMode", "Off", "LineStart"}, {"Height", "100", nullptr}});
    camera->write("AcquisitionStart", "1");
    acquisition().advance(std::chrono::milliseconds(200)); // 20 frames, none taken
    std::vector<std::shared_ptr<const LineFrame>> held;
    while (std::shared_ptr<const LineFrame> frame = acquisition().takeFrame())
        held.push_back(frame);
    ASSERT_EQ(held.size(), 8u); // the newest, in order
    EXPECT_EQ(held.front()->id, 12u);
    EXPECT_EQ(held.back()->id, 19u);
    acquisition().advance(std::chrono::milliseconds(100)); // every buffer held: all lost
    EXPECT_EQ(acquisition().takeFrame(), nullptr);
    const LineSource::Statistics statistics = acquisition().statistics();
    EXPECT_EQ(statistics.frames, 8u);
    EXPECT_EQ(statistics.droppedFrames, 22u);
    EXPECT_EQ(statistics.lines, 3000u);
    held.clear();
    acquisition().advance(std::chrono::milliseconds(10));
    EXPECT_EQ(acquisition().takeFrame()->id, 30u);
}

// In real time the camera's own thread keeps the clock with the wall clock and, at the top line
// rate, hands over every frame to a consumer that takes them.
TEST_F(SimAcquisitionTest, RealTimeKeepsUpWithTheTopLineRate)
{
    camera->write("AcquisitionStop", "1");
    write({{"TriggerMode", "Off", "LineStart"},
           {"ExposureTime", "10", nullptr},
           {"AcquisitionLineRate", "80000", nullptr}});
    std::atomic<uint64_t> taken{0};
    acquisition().setFrameListener([this, &taken] {
        while (acquisition().takeFrame())
            ++taken;
    });
    acquisition().setRealTime(true);
    camera->write("AcquisitionStart", "1");
    const auto start = std::chrono::steady_clock::now();
    const nanoseconds simStart = acquisition().now();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double simulated = std::chrono::duration<double>(acquisition().now() - simStart).count();
    camera->write("AcquisitionStop", "1");
    acquisition().setRealTime(false);
#if LINETRIGGER_SANITIZED
    // Instrumented, a line costs several times as much: the thread falls behind and catches up.
    EXPECT_NEAR(simulated, wall, 0.3);
#else
    EXPECT_NEAR(simulated, wall, 0.1);
#endif
    const LineSource::Statistics statistics = acquisition().statistics();
    EXPECT_GT(statistics.lines, 0.9 * 80000 * wall);
    EXPECT_EQ(statistics.droppedFrames, 0u);
    EXPECT_GE(taken.load(), statistics.lines / 1024 - 1);
}

// A belt whose speed swings by 5 %: lines the encoder triggers follow the belt (evenly spaced on
// it, their intervals in time swinging with the speed), lines of the camera's own rate keep their
// time (evenly spaced in time, unevenly on the belt).
TEST_F(SimAcquisitionTest, SpeedRippleShowsInTheIntervalsOfEncoderLinesOnly)
{
    SimBench bench;
    bench.speedRipple = 0.05;
    setBench(bench);
    for (const char* mode : {"On", "Off"}) {
        SCOPED_TRACE(mode);
        camera->write("AcquisitionStop", "1");
        write({{"TriggerMode", mode, "LineStart"}, {"Height", "1000", nullptr}});
        frames.clear();
        collectFrames();
        camera->write("AcquisitionStart", "1");
        acquisition().advance(std::chrono::seconds(1)); // one whole swing
        stop();
        std::vector<double> intervals;
        std::vector<double> steps;
        for (const auto& frame : frames)
            for (int line = 1; line < frame->lines; ++line) {
                intervals.push_back(double(frame->timestampsNs[line] - frame->timestampsNs[line - 1]));
                steps.push_back(frame->positionsMm[line] - frame->positionsMm[line - 1]);
            }
        ASSERT_GT(intervals.size(), 1000u);
        const auto [shortest, longest] = std::minmax_element(intervals.begin(), intervals.end());
        const auto [nearest, farthest] = std::minmax_element(steps.begin(), steps.end());
        if (std::string(mode) == "On") {
            // 0.1 mm at 250 mm/s +- 5 %: 400 us / 1.05 to 400 us / 0.95.
            EXPECT_NEAR(*shortest, 400000 / 1.05, 2000);
            EXPECT_NEAR(*longest, 400000 / 0.95, 2000);
            EXPECT_NEAR(*nearest, 0.1, 1e-9);
            EXPECT_NEAR(*farthest, 0.1, 1e-9);
        } else {
            EXPECT_NEAR(*shortest, 100000, 1); // 10 kHz
            EXPECT_NEAR(*longest, 100000, 1);
            EXPECT_NEAR(*nearest, 0.025 * 0.95, 0.001);
            EXPECT_NEAR(*farthest, 0.025 * 1.05, 0.001);
        }
    }
}
