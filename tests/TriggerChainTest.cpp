#include "ChartMeasure.h"
#include "LineFrame.h"
#include "PageDriver.h"
#include "PageFixture.h"
#include "SimAcquisition.h"
#include "TriggerMath.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QTest>

#include <chrono>
#include <cmath>

namespace {

// The whole chain: what the operator chooses on the page, the bench in front of the camera, and
// the lines the camera takes.
class TriggerChainTest : public PageFixture
{
protected:
    void configure(const std::vector<const char*>& actions)
    {
        showPage();
        tick();
        newMessages(); // the page replaced in rebuild() unregisters from the camera gone with it
        for (const char* action : actions) {
            pageAction(action).run(*page);
            tick();
        }
    }
    // Types the pulses per line into the page's box as an operator would.
    void typePulsesPerLine(const QString& text)
    {
        QApplication::setActiveWindow(page.get());
        page->sb_EncoderDividerFlt->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
        page->sb_EncoderDividerFlt->selectAll();
        QTest::keyClicks(page->sb_EncoderDividerFlt, text);
        QTest::keyClick(page->sb_EncoderDividerFlt, Qt::Key_Return);
    }
    void move(double mm, double speed = 250.0)
    {
        camera->acquisition().setBeltSpeed(std::copysign(speed, mm));
        camera->acquisition().advance(std::chrono::nanoseconds(std::llround(std::fabs(mm) / speed * 1e9)));
    }
    // Lines per mm over 10 mm of travel that way, started off the encoder's edges.
    double linesPerMm(double direction)
    {
        EXPECT_EQ(camera->write("AcquisitionStart", "1"), 0);
        move(std::copysign(0.0375, direction));
        const uint64_t before = camera->acquisition().statistics().lines;
        move(std::copysign(10.0, direction));
        return static_cast<double>(camera->acquisition().statistics().lines - before) / 10.0;
    }
};

struct Wiring
{
    std::vector<const char*> page;
    SimEncoderOutput output;
    int lineA, lineB;
    double direction;
    double linesPerMm;
};

} // namespace

// The page's set-ups against wirings and belt directions: lines per mm of belt.
TEST_F(TriggerChainTest, PageSetUpsOnBenchWiringsGiveLinesPerMillimetre)
{
    const auto diff = SimEncoderOutput::Differential;
    const auto single = SimEncoderOutput::SingleEnded;
    const std::vector<const char*> twoChannels{"encoder mode", "channels 2"};
    const std::vector<const char*> line3{"encoder mode", "channels 1", "single-ended", "source A Line3"};
    // clang-format off
    const Wiring wirings[] = {
        {{}, diff, 1, 2, 1, 40},                                    // internal: 10000 lines/s at 250 mm/s
        {{"encoder mode"}, diff, 1, 2, 1, 10},                      // one channel A on Line1
        {{"encoder mode"}, diff, 1, 2, -1, 10},                     // one channel cannot tell direction
        {twoChannels, diff, 1, 2, 1, 10},
        {twoChannels, diff, 1, 2, -1, 0},                           // backwards
        {{"encoder mode", "channels 2", "counter-clockwise"}, diff, 1, 2, 1, 0},
        {{"encoder mode", "channels 2", "counter-clockwise"}, diff, 1, 2, -1, 10},
        {twoChannels, diff, 2, 1, 1, 0},                            // A and B swapped: reversed
        {twoChannels, single, 3, 4, 1, 0},                          // single-ended encoder on RS422 inputs
        {line3, single, 3, 0, 1, 10},
        {line3, single, 4, 0, 1, 0},                                // wired to Line4, Line3 chosen
        {line3, diff, 1, 0, 1, 0},                                  // differential encoder on Line1
        {{"encoder mode", "channels 1", "single-ended", "source A Line4"}, single, 4, 0, -1, 10},
        {{"encoder mode", "channels 2", "source B Off"}, diff, 1, 2, -1, 10}, // B off: one channel
    };
    // clang-format on
    for (const Wiring& wiring : wirings) {
        SCOPED_TRACE(::testing::PrintToString(wiring.page) + " A=" + std::to_string(wiring.lineA) +
                     " direction " + std::to_string(wiring.direction));
        rebuild();
        SimBench bench;
        bench.output = wiring.output;
        bench.lineA = wiring.lineA;
        bench.lineB = wiring.lineB;
        ASSERT_TRUE(camera->acquisition().setBench(bench));
        configure(wiring.page);
        EXPECT_EQ(linesPerMm(wiring.direction), wiring.linesPerMm);
        EXPECT_EQ(newMessages(), QStringList());
    }
}

// Pulses per line typed into the page divide the encoder's pulses into lines.
TEST_F(TriggerChainTest, PulsesPerLineTypedOnThePageDivideTheLines)
{
    configure({"encoder mode", "channels 2"});
    typePulsesPerLine("2.5");
    EXPECT_EQ(camera->value("EncoderDividerFloat"), "2.5");
    EXPECT_EQ(linesPerMm(1), 4);
}

// With the pulses per line for square pixels, a circle on the chart comes out round; internal
// triggering at a rate that does not match the belt stretches it.
TEST_F(TriggerChainTest, SquarePixelsFromTheBenchGiveRoundCircles)
{
    SimBench bench;
    bench.pulsesPerRevolution = 2048;
    bench.wheelCircumference = 157.08; // a 50 mm wheel
    ASSERT_TRUE(camera->acquisition().setBench(bench));
    camera->write("Height", "2048"); // a whole repeat of the chart
    std::vector<std::shared_ptr<const LineFrame>> frames;
    camera->acquisition().setFrameListener([this, &frames] {
        while (std::shared_ptr<const LineFrame> frame = camera->acquisition().takeFrame())
            frames.push_back(frame);
    });
    const double divider = TriggerMath::dividerForSquarePixels(
        bench.pixelSize, TriggerMath::pulsesPerMm(bench.pulsesPerRevolution, bench.wheelCircumference),
        TriggerMath::countsPerPulse(TriggerMath::Counting::FourPhase, true));
    configure({"encoder mode", "channels 2"});
    typePulsesPerLine(QString::number(divider, 'f', 4));
    camera->write("AcquisitionStart", "1");
    move(210.0);
    ASSERT_FALSE(frames.empty());
    EXPECT_NEAR(aspectOfTheCentreCircle(*frames.front()), 1.0, 0.02);

    camera->write("AcquisitionStop", "1");
    camera->acquisition().handOver(); // the last, partly filled frame
    frames.clear();
    camera->write("Height", "4096");
    move(20.0); // to 30 mm into the chart
    pageAction("internal mode").run(*page);
    camera->write("AcquisitionStart", "1");
    move(110.0); // 10000 lines/s at 250 mm/s: 40 lines a mm for a pixel of 0.1 mm
    ASSERT_FALSE(frames.empty());
    EXPECT_NEAR(aspectOfTheCentreCircle(*frames.front()), 0.25, 0.01);
}
