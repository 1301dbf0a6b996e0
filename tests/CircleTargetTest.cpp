#include "CircleTarget.h"
#include "LineFrame.h"
#include "LineHistory.h"
#include "SimAcquisition.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <random>

namespace {

// The simulated camera at its own line rate over the chart, the belt at 250 mm/s and pixels of
// 0.1 mm: stretch = line rate / 2500. The belt stops 110 mm on, with the first row of circles
// (30 mm and 10 mm across, 40 to 70 mm along the chart) among the last 4096 lines.
LineHistory::Image chartAt(double lineRate)
{
    const std::shared_ptr<SimCamera> camera = SimCameraBuilder::lineScanCamera().build();
    camera->write("Height", "128");
    camera->write("AcquisitionLineRate", std::to_string(lineRate));
    LineHistory history;
    camera->acquisition().setFrameListener([&camera, &history] {
        while (const std::shared_ptr<const LineFrame> frame = camera->acquisition().takeFrame())
            history.add(*frame);
    });
    camera->write("AcquisitionStart", "1");
    camera->acquisition().advance(std::chrono::milliseconds(440));
    camera->acquisition().setFrameListener(nullptr);
    return history.snapshot();
}

} // namespace

// Measured from the circles alone, within 2 % of the true stretch from a quarter to four times.
TEST(CircleTarget, ChartGivesTheStretchFromAQuarterToFourTimes)
{
    for (const double stretch : {0.25, 0.5, 1.0, 2.0, 4.0}) {
        SCOPED_TRACE(stretch);
        const LineHistory::Image image = chartAt(2500.0 * stretch);
        const std::optional<CircleTarget::Measurement> measured =
            CircleTarget::measure(image.pixels.data(), image.width, image.lines);
        ASSERT_TRUE(measured);
        EXPECT_NEAR(measured->stretch / stretch, 1.0, 0.02) << measured->stretch;
        EXPECT_EQ(measured->circles, 4); // three of 30 mm, one of 10 mm; the rings are not filled
        EXPECT_LT(measured->spread / stretch, 0.02);
    }
}

// Marks 16 to 20 pixels across, as a belt's own dots or holes: each outline is ragged by a pixel,
// up to a tenth of the height, and single marks scatter by a few per cent, yet a dozen measure the
// stretch within 2 %. Their boxes' heights would be 7 % off.
TEST(CircleTarget, SmallMarksTogetherMeasureWithinTwoPerCent)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> phase(0.0, 1.0);
    for (const double diameter : {16.0, 20.0}) {
        for (const double stretch : {0.8, 1.0, 1.3}) {
            SCOPED_TRACE(testing::Message() << diameter << " px across, stretch " << stretch);
            const int width = 600;
            const int lines = 120;
            std::vector<uint8_t> pixels(static_cast<size_t>(width) * lines, 220);
            for (int mark = 0; mark < 12; ++mark) {
                const double cx = 25.0 + 45.0 * mark + phase(random);
                const double cy = 60.0 + phase(random);
                for (int y = 0; y < lines; ++y) {
                    for (int x = 0; x < width; ++x) {
                        const double dx = (x - cx) / (diameter / 2);
                        const double dy = (y - cy) / (diameter * stretch / 2);
                        if (dx * dx + dy * dy <= 1.0)
                            pixels[static_cast<size_t>(y) * width + static_cast<size_t>(x)] = 20;
                    }
                }
            }
            const std::optional<CircleTarget::Measurement> measured =
                CircleTarget::measure(pixels.data(), width, lines);
            ASSERT_TRUE(measured);
            EXPECT_EQ(measured->circles, 12);
            EXPECT_NEAR(measured->stretch / stretch, 1.0, 0.02) << measured->stretch;
            EXPECT_LT(measured->spread / stretch, 0.04) << measured->spread;
        }
    }
}

// Nothing round and filled in view: nothing is claimed.
TEST(CircleTarget, ViewsWithoutCirclesClaimNothing)
{
    const auto image = [](int width, int lines, const std::function<uint8_t(int, int)>& pixel) {
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(lines));
        for (int y = 0; y < lines; ++y) {
            for (int x = 0; x < width; ++x)
                pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                    pixel(x, y);
        }
        return pixels;
    };
    std::mt19937 random(7);
    const auto ring = [](int x, int y) {
        const double r = std::hypot(x - 200, y - 100);
        return static_cast<uint8_t>(r > 40 && r < 50 ? 10 : 220);
    };
    const auto square = [](int x, int y) {
        return static_cast<uint8_t>(x > 100 && x < 180 && y > 50 && y < 130 ? 10 : 220);
    };
    const auto cut = [](int x, int y) {
        return static_cast<uint8_t>(std::hypot(x - 200, y) < 60 ? 10 : 220);
    }; // at the edge
    const std::pair<const char*, std::vector<uint8_t>> views[] = {
        {"blank paper", image(400, 200, [](int, int) { return uint8_t{217}; })},
        {"noise", image(400, 200, [&random](int, int) { return static_cast<uint8_t>(random() % 256); })},
        {"a grid",
         image(400, 200,
               [](int x, int y) { return static_cast<uint8_t>(x % 20 < 2 || y % 20 < 2 ? 30 : 220); })},
        {"a ring", image(400, 200, ring)},
        {"a square", image(400, 200, square)},
        {"a circle cut by the view's edge", image(400, 200, cut)},
    };
    for (const auto& view : views) {
        SCOPED_TRACE(view.first);
        EXPECT_FALSE(CircleTarget::measure(view.second.data(), 400, 200));
    }
    EXPECT_FALSE(CircleTarget::measure(nullptr, 0, 0));
}

// The ring keeps the newest lines, oldest first, across frames of any height; a new width starts
// afresh.
TEST(CircleTarget, HistoryKeepsTheNewestLinesInOrder)
{
    LineHistory history(5);
    uint8_t next = 0;
    const auto frame = [&next](int width, int lines) {
        LineFrame f;
        f.reset(width, lines);
        for (int line = 0; line < lines; ++line) {
            std::fill(f.line(line), f.line(line) + width, next++);
            ++f.lines;
        }
        return f;
    };
    history.add(frame(2, 3));
    history.add(frame(2, 4));
    LineHistory::Image image = history.snapshot();
    EXPECT_EQ(image.lines, 5);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{2, 2, 3, 3, 4, 4, 5, 5, 6, 6}));
    history.add(frame(2, 7)); // taller than the ring
    EXPECT_EQ(history.snapshot().pixels, (std::vector<uint8_t>{9, 9, 10, 10, 11, 11, 12, 12, 13, 13}));
    history.add(frame(3, 1));
    image = history.snapshot();
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{14, 14, 14}));
    history.clear();
    EXPECT_EQ(history.snapshot().lines, 0);
}
