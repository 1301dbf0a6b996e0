#include "Waterfall.h"
#include "LineFrame.h"
#include "LiveView.h"

#include <QApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

uint8_t pixel(int line, int x)
{
    return static_cast<uint8_t>((line * 7 + x * 3) % 256);
}

// Feeds lines first..first+count-1 of width pixels, in frames of up to 64 lines.
void feed(Waterfall& waterfall, int width, int first, int count)
{
    LineFrame frame;
    for (int done = 0; done < count;) {
        frame.reset(width, 64);
        frame.lines = std::min(64, count - done);
        for (int line = 0; line < frame.lines; ++line) {
            for (int x = 0; x < width; ++x)
                frame.line(line)[x] = pixel(first + done + line, x);
        }
        waterfall.add(frame);
        done += frame.lines;
    }
}

int grey(const Waterfall::Picture& picture, int row, int x)
{
    return static_cast<int>(picture.pixels[static_cast<size_t>(row) * picture.width + x] & 0xff);
}

// The drawn row shows camera line `line`, each drawn pixel the mean of its camera pixels across.
void expectRowShowsLine(const Waterfall::Picture& picture, int row, int line)
{
    const int f = picture.factor;
    for (int x = 0; x < picture.width; ++x) {
        int sum = 0;
        for (int i = 0; i < f; ++i)
            sum += pixel(line, x * f + i);
        ASSERT_NEAR(grey(picture, row, x), double(sum) / f, 1.0) << "row " << row << ", x " << x;
    }
}

} // namespace

TEST(Waterfall, DrawsOneScreenPixelPerDrawnPixelWithTheSameFactorAcrossAndAlong)
{
    struct Case
    {
        int cameraWidth, viewWidth, lines;
        int factor, width, rows;
    };
    const Case cases[] = {
        {100, 1000, 30, 1, 100, 30},   // narrower than the view: not enlarged
        {1024, 1024, 30, 1, 1024, 30}, // exactly the view
        {1025, 1024, 30, 2, 512, 15},  // one pixel too wide halves both ways
        {4096, 1000, 500, 5, 819, 100} // the ring keeps the newest rows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cameraWidth << " pixels in " << c.viewWidth);
        Waterfall waterfall(c.viewWidth, 100);
        feed(waterfall, c.cameraWidth, 0, c.lines);
        Waterfall::Picture picture;
        ASSERT_TRUE(waterfall.copy(&picture));
        EXPECT_EQ(picture.factor, c.factor);
        EXPECT_EQ(picture.width, c.width);
        ASSERT_EQ(picture.rows, c.rows);
        // Oldest at the top: every factor-th line, the newest drawn last.
        const int newest = (c.lines - 1) / c.factor * c.factor;
        for (int row = 0; row < picture.rows; ++row)
            expectRowShowsLine(picture, row, newest - (picture.rows - 1 - row) * c.factor);
        EXPECT_FALSE(waterfall.copy(&picture)) << "nothing new, nothing to copy";
    }
}

TEST(Waterfall, ResizingKeepsTheNewestRowsUnlessTheScaleChanges)
{
    Waterfall waterfall(100, 50);
    feed(waterfall, 100, 0, 300);
    Waterfall::Picture picture;

    waterfall.setView(100, 80); // the status line above shrank: taller, same scale
    ASSERT_TRUE(waterfall.copy(&picture));
    ASSERT_EQ(picture.rows, 50);
    expectRowShowsLine(picture, 0, 250);
    expectRowShowsLine(picture, 49, 299);

    feed(waterfall, 100, 300, 40);
    ASSERT_TRUE(waterfall.copy(&picture));
    ASSERT_EQ(picture.rows, 80);
    expectRowShowsLine(picture, 0, 260);
    expectRowShowsLine(picture, 79, 339);

    waterfall.setView(100, 20);
    ASSERT_TRUE(waterfall.copy(&picture));
    ASSERT_EQ(picture.rows, 20);
    expectRowShowsLine(picture, 0, 320);
    expectRowShowsLine(picture, 19, 339);

    waterfall.setView(40, 20); // a new scale: what was drawn at the old one goes
    ASSERT_TRUE(waterfall.copy(&picture));
    EXPECT_EQ(picture.rows, 0);
    feed(waterfall, 100, 340, 6);
    ASSERT_TRUE(waterfall.copy(&picture));
    EXPECT_EQ(picture.factor, 3);
    EXPECT_EQ(picture.rows, 2);
}

// Lines pour in from another thread much faster than a screen refreshes: the view repaints at
// most about 60 times a second, and what it shows fits it unscaled.
TEST(Waterfall, LiveViewRepaintsAtMostSixtyTimesASecondWhateverTheLineRate)
{
    Waterfall waterfall;
    LiveView view(waterfall);
    view.resize(640, 480);
    view.show();
    QApplication::processEvents();
    std::atomic<bool> running{true};
    std::thread intake([&] {
        for (int first = 0; running; first += 256)
            feed(waterfall, 2048, first, 256);
    });
    const uint64_t before = view.repaints();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    running = false;
    intake.join();
    const double perSecond = double(view.repaints() - before) * 1000.0 / double(clock.elapsed());
    EXPECT_LE(perSecond, 66.0);
    EXPECT_GE(perSecond, 10.0) << "the view does not follow the lines";
    EXPECT_EQ(view.factor(), 4);
    EXPECT_EQ(view.image().width(), 512);
    EXPECT_EQ(view.image().height(), 480);
}
