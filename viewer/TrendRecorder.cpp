#include "TrendRecorder.h"

#include "Invariant.h"

#include <algorithm>

TrendRecorder::TrendRecorder(size_t capacity) : m_capacity(std::max<size_t>(capacity, 2))
{
    m_points.reserve(m_capacity);
}

TrendRecorder::Point TrendRecorder::merged(const Point& older, const Point& newer)
{
    const double seconds = older.seconds + newer.seconds;
    if (seconds <= 0.0)
        return newer;
    // Rates weighted by how long each held.
    const auto mean = [&](double a, double b) {
        return (a * older.seconds + b * newer.seconds) / seconds;
    };
    Point point;
    point.endMs = newer.endMs;
    point.seconds = seconds;
    point.linesPerSecond = mean(older.linesPerSecond, newer.linesPerSecond);
    if (older.countsPerSecond && newer.countsPerSecond)
        point.countsPerSecond = mean(*older.countsPerSecond, *newer.countsPerSecond);
    else
        point.countsPerSecond = older.countsPerSecond ? older.countsPerSecond : newer.countsPerSecond;
    point.missedPerSecond = mean(older.missedPerSecond, newer.missedPerSecond);
    point.droppedPerSecond = mean(older.droppedPerSecond, newer.droppedPerSecond);
    return point;
}

void TrendRecorder::add(int64_t endMs, double seconds, double lines, std::optional<double> encoderCounts,
                        double missedTriggers, double droppedFrames)
{
    if (seconds <= 0.0)
        return;
    Point point;
    point.endMs = endMs;
    point.seconds = seconds;
    point.linesPerSecond = lines / seconds;
    if (encoderCounts)
        point.countsPerSecond = *encoderCounts / seconds;
    point.missedPerSecond = missedTriggers / seconds;
    point.droppedPerSecond = droppedFrames / seconds;
    m_pending = m_pending.seconds > 0.0 ? merged(m_pending, point) : point;
    // A little slack: a timer's second is seldom exactly one.
    if (m_pending.seconds < 0.9 * m_resolution)
        return;
    if (m_points.size() == m_capacity) {
        std::vector<Point> halved;
        halved.reserve(m_capacity);
        size_t i = 0;
        for (; i + 1 < m_points.size(); i += 2)
            halved.push_back(merged(m_points[i], m_points[i + 1]));
        if (i < m_points.size())
            halved.push_back(m_points[i]);
        m_points.swap(halved);
        m_resolution *= 2.0;
    }
    m_points.push_back(m_pending);
    m_pending = Point();
    LT_ASSERT(m_points.size() <= m_capacity);
}

std::vector<TrendRecorder::Point> TrendRecorder::points() const
{
    std::vector<Point> points = m_points;
    if (m_pending.seconds > 0.0)
        points.push_back(m_pending);
    return points;
}

void TrendRecorder::clear()
{
    m_points.clear();
    m_pending = Point();
    m_resolution = 1.0;
}
