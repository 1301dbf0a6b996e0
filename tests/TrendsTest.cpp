#include "LineFrame.h"
#include "LineTimes.h"
#include "TrendRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numeric>

namespace {

double total(const std::vector<TrendRecorder::Point>& points, double TrendRecorder::Point::*rate)
{
    return std::accumulate(
        points.begin(), points.end(), 0.0,
        [rate](double sum, const TrendRecorder::Point& p) { return sum + p.*rate * p.seconds; });
}

} // namespace

// A shift of five hours at a second a point: the memory stays within its points, the whole
// session stays in view (at least the last hour at any time), and merging keeps every line counted.
TEST(TrendRecorder, KeepsTheWholeSessionInBoundedMemory)
{
    TrendRecorder trends;
    const int ticks = 5 * 3600;
    double lines = 0.0;
    int64_t nowMs = 0;
    for (int t = 1; t <= ticks; ++t) {
        // A timer that fires late and early by turns, and a belt that speeds up and slows down.
        const double seconds = t % 2 ? 0.8 : 1.2;
        nowMs += std::llround(seconds * 1000);
        const double rate = 1000.0 + 500.0 * std::sin(t / 300.0) + (t % 2 ? 100.0 : 0.0);
        trends.add(nowMs, seconds, rate * seconds, rate * seconds / 4.0, t % 600 == 0 ? 3 : 0, 0);
        lines += rate * seconds;
        ASSERT_LE(trends.points().size(), trends.capacity() + 1); // the point being filled besides
    }
    const std::vector<TrendRecorder::Point> points = trends.points();
    EXPECT_GE(trends.resolution(), 2.0);
    EXPECT_EQ(points.back().endMs, nowMs);
    EXPECT_LE(points.front().endMs, 4000); // from the start, not only the last hour
    EXPECT_NEAR(total(points, &TrendRecorder::Point::linesPerSecond), lines, 1e-6 * lines);
    EXPECT_NEAR(total(points, &TrendRecorder::Point::missedPerSecond), 3.0 * ticks / 600, 1e-9);
    for (const TrendRecorder::Point& p : points)
        ASSERT_NEAR(*p.countsPerSecond, p.linesPerSecond / 4.0, 1e-9);
}

// Counts become rates over the time they came in; a timer that fires a little early or late still
// gives a point a tick; what the camera does not say stays unknown, not zero.
TEST(TrendRecorder, TurnsCountsIntoRatesAndKeepsUnknownsUnknown)
{
    TrendRecorder trends(10);
    trends.add(1000, 0.95, 9500, std::nullopt, 0, 1);
    trends.add(2050, 1.05, 10500, 2100, 21, 0);
    trends.add(2050, 0.0, 5, 5, 5, 5); // no time passed: nothing to say
    const std::vector<TrendRecorder::Point> points = trends.points();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_DOUBLE_EQ(points[0].linesPerSecond, 10000);
    EXPECT_FALSE(points[0].countsPerSecond);
    EXPECT_NEAR(points[0].droppedPerSecond, 1 / 0.95, 1e-12);
    EXPECT_DOUBLE_EQ(*points[1].countsPerSecond, 2000);
    EXPECT_DOUBLE_EQ(points[1].missedPerSecond, 20);
    trends.clear();
    EXPECT_TRUE(trends.empty());
    EXPECT_EQ(trends.resolution(), 1.0);
}

namespace {

// Frames of `height` lines whose times follow the intervals given, from 0 ns.
std::vector<LineFrame> framesOf(const std::vector<double>& intervalsNs, int height)
{
    std::vector<LineFrame> frames;
    double at = 0.0;
    for (size_t line = 0; line <= intervalsNs.size(); ++line) {
        if (line % static_cast<size_t>(height) == 0) {
            frames.emplace_back();
            frames.back().id = frames.size() - 1;
        }
        if (line > 0)
            at += intervalsNs[line - 1];
        frames.back().timestampsNs.push_back(std::llround(at));
        ++frames.back().lines;
    }
    return frames;
}

} // namespace

// What the histogram says of lines that come evenly, jitter, miss now and then, or come in two
// alternating intervals (a divider of 1.5 pulses): the words an operator reads and the figures
// behind them. Lines are split into frames of 100: the intervals across frames count too.
TEST(LineTimes, SaysHowEvenlyLinesCome)
{
    struct Case
    {
        const char* situation;
        std::function<double(int)> interval; // ns of the n-th interval
        double medianNs;
        double spreadFrom, spreadTo; // %
        size_t gaps;
        const char* words;
    };
    const std::vector<Case> cases = {
        {"even, 10 kHz", [](int) { return 100000.0; }, 100000, 0, 0, 0, "Lines come every 100 us +- 0 %."},
        {"jitter of +-3 % (uniform)", [](int n) { return 400000.0 * (1.0 + 0.03 * std::sin(n * 1.7)); },
         400000, 2.8, 3.01, 0, "Lines come every 400 us +- 3"},
        {"a line in every 100 missing", [](int n) { return n % 100 == 99 ? 800000.0 : 400000.0; }, 400000, 0,
         0, 20,
         "Lines come every 400 us +- 0 %; 20 of 2000 intervals are gaps of 1.5 times that or more (the "
         "longest 800 us)."},
        {"divider 1.5: one pulse, then two", [](int n) { return n % 2 ? 200000.0 : 100000.0; }, 100000, 49,
         51, 1000, "gaps of 1.5 times that or more (the longest 200 us)."},
        {"slow lines, in milliseconds", [](int) { return 25e6; }, 25e6, 0, 0, 0,
         "Lines come every 25 ms +- 0 %."},
        {"a stop of 1.23 s", [](int n) { return n == 1000 ? 1.23e9 : 1e5; }, 1e5, 0, 0, 1,
         "1 of 2000 intervals are gaps of 1.5 times that or more (the longest 1.23 s)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        std::vector<double> intervals(2000);
        for (int n = 0; n < 2000; ++n)
            intervals[static_cast<size_t>(n)] = c.interval(n);
        LineTimes times;
        for (const LineFrame& frame : framesOf(intervals, 100))
            times.add(frame);
        const std::optional<LineTimes::Summary> s = times.summary(40);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->intervals, 2000u);
        EXPECT_NEAR(s->medianNs, c.medianNs, c.medianNs * 1e-3);
        EXPECT_GE(s->spreadPercent, c.spreadFrom);
        EXPECT_LE(s->spreadPercent, c.spreadTo);
        EXPECT_EQ(s->gaps, c.gaps);
        EXPECT_NE(s->words().find(c.words), std::string::npos) << s->words();
        ASSERT_EQ(s->bins.size(), 40u);
        EXPECT_EQ(std::accumulate(s->bins.begin(), s->bins.end(), size_t(0)), 2000u);
        EXPECT_LT(s->lowNs, c.medianNs);
        EXPECT_GT(s->highNs, c.medianNs);
    }
}

// A new run starts afresh (no interval across the stop), the newest intervals push out the oldest,
// and a camera that gives no time per line is told apart from one that gave too few lines.
TEST(LineTimes, KeepsTheNewestOfTheRunAndKnowsWhenLinesHaveNoTime)
{
    LineTimes times(50);
    EXPECT_FALSE(times.summary());
    EXPECT_FALSE(times.untimed());
    for (const LineFrame& frame : framesOf(std::vector<double>(60, 1e6), 10))
        times.add(frame);
    // A second run far later: its first frame is numbered 0 again.
    std::vector<LineFrame> second = framesOf(std::vector<double>(30, 2e6), 10);
    for (LineFrame& frame : second) {
        for (int64_t& at : frame.timestampsNs)
            at += 3'600'000'000'000;
        times.add(frame);
    }
    const std::optional<LineTimes::Summary> s = times.summary();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->intervals, 50u);
    EXPECT_EQ(s->longestNs, 2e6); // not the hour between the runs
    EXPECT_EQ(s->medianNs, 2e6);  // 30 of the newest 50

    LineFrame untimed;
    untimed.lines = 100;
    times.clear();
    times.add(untimed);
    EXPECT_TRUE(times.untimed());
    EXPECT_FALSE(times.summary());
}
