#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The session's figures over time: lines, encoder counts, missed triggers and dropped frames a
// second. Holds the whole session in at most a fixed number of points: when full, neighbouring
// points are merged in pairs, so the memory stays bounded and the resolution halves (a second a
// point for the first two hours at the default, two seconds for four, ...).
class TrendRecorder
{
public:
    struct Point
    {
        int64_t endMs = 0;    // wall-clock time the point ends at, ms since the epoch
        double seconds = 0.0; // how long it covers
        double linesPerSecond = 0.0;
        std::optional<double> countsPerSecond; // signed; unknown where the camera did not say
        double missedPerSecond = 0.0;
        double droppedPerSecond = 0.0;
    };

    explicit TrendRecorder(size_t capacity = 7200);

    // What came over the last `seconds` up to endMs: counts, not rates.
    void add(int64_t endMs, double seconds, double lines, std::optional<double> encoderCounts,
             double missedTriggers, double droppedFrames);
    std::vector<Point> points() const;
    // Seconds each point covers now.
    double resolution() const { return m_resolution; }
    size_t capacity() const { return m_capacity; }
    bool empty() const { return m_points.empty() && m_pending.seconds <= 0.0; }
    void clear();

private:
    static Point merged(const Point& older, const Point& newer);

    const size_t m_capacity;
    double m_resolution = 1.0;
    std::vector<Point> m_points;
    Point m_pending; // collects until it covers the resolution
};
