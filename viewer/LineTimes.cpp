#include "LineTimes.h"

#include "LineFrame.h"

#include <QString>

#include <algorithm>
#include <cmath>

LineTimes::LineTimes(size_t capacity) : m_capacity(std::max<size_t>(capacity, 2))
{
    m_intervals.reserve(m_capacity);
}

void LineTimes::add(const LineFrame& frame)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (frame.id == 0)
        m_last.reset(); // no interval across a stop
    if (frame.timestampsNs.empty()) {
        m_untimed = frame.lines > 0;
        return;
    }
    m_untimed = false;
    for (const int64_t at : frame.timestampsNs) {
        if (m_last && at >= *m_last) {
            const double interval = static_cast<double>(at - *m_last);
            if (m_intervals.size() < m_capacity) {
                m_intervals.push_back(interval);
            } else {
                m_intervals[m_next] = interval;
                m_next = (m_next + 1) % m_capacity;
            }
        }
        m_last = at;
    }
}

void LineTimes::clear()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_intervals.clear();
    m_next = 0;
    m_last.reset();
    m_untimed = false;
}

bool LineTimes::untimed() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_untimed;
}

std::optional<LineTimes::Summary> LineTimes::summary(int binCount) const
{
    std::vector<double> intervals;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        intervals = m_intervals;
    }
    // Fewer say nothing about the spread.
    if (intervals.size() < 20)
        return std::nullopt;
    return summarize(std::move(intervals), binCount);
}

namespace {

double quantile(std::vector<double>& values, double q)
{
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(q * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

QString duration(double ns)
{
    if (ns >= 1e9)
        return QStringLiteral("%1 s").arg(QString::number(ns / 1e9, 'g', 3));
    if (ns >= 10e6)
        return QStringLiteral("%1 ms").arg(QString::number(ns / 1e6, 'g', 3));
    return QStringLiteral("%1 us").arg(QString::number(ns / 1e3, 'g', 3));
}

} // namespace

LineTimes::Summary LineTimes::summarize(std::vector<double> intervals, int binCount)
{
    Summary s;
    s.intervals = intervals.size();
    if (intervals.empty())
        return s;
    s.medianNs = quantile(intervals, 0.5);
    const double low = quantile(intervals, 0.025);
    const double high = quantile(intervals, 0.975);
    s.spreadPercent = s.medianNs > 0.0 ? 50.0 * (high - low) / s.medianNs : 0.0;
    s.longestNs = *std::max_element(intervals.begin(), intervals.end());
    s.gaps = static_cast<size_t>(
        std::count_if(intervals.begin(), intervals.end(), [&](double v) { return v >= 1.5 * s.medianNs; }));
    // Around the median, wide enough for the middle 95 % and a little more; never narrower than
    // +- 2 %, so that even lines show as one narrow peak.
    const double halfWidth = std::max({high - s.medianNs, s.medianNs - low, 0.02 * s.medianNs}) * 1.5;
    s.lowNs = std::max(0.0, s.medianNs - halfWidth);
    s.highNs = s.medianNs + halfWidth;
    s.bins.assign(static_cast<size_t>(std::max(binCount, 1)), 0);
    const double width = (s.highNs - s.lowNs) / static_cast<double>(s.bins.size());
    for (const double v : intervals) {
        const double index = width > 0.0 ? std::floor((v - s.lowNs) / width) : 0.0;
        const auto bin = static_cast<size_t>(std::clamp(index, 0.0, static_cast<double>(s.bins.size() - 1)));
        ++s.bins[bin];
    }
    return s;
}

std::string LineTimes::Summary::words() const
{
    if (intervals == 0)
        return "No lines came.";
    QString text = QStringLiteral("Lines come every %1 +- %2 %")
                       .arg(duration(medianNs), QString::number(spreadPercent, 'g', 2));
    if (gaps > 0)
        text += QStringLiteral("; %1 of %2 intervals are gaps of 1.5 times that or more (the longest %3)")
                    .arg(gaps)
                    .arg(intervals)
                    .arg(duration(longestNs));
    return (text + QLatin1Char('.')).toStdString();
}
