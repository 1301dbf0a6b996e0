#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct LineFrame;

// The intervals between the newest lines, from the times the camera gives each line: how evenly
// the lines come (a slipping wheel or an intermittent trigger shows as spread and as gaps). Frames
// are added on the intake's thread, summaries taken on any other.
class LineTimes
{
public:
    struct Summary
    {
        size_t intervals = 0;
        double medianNs = 0.0;
        // Half the width of the range that holds the middle 95 % of the intervals, in % of the median.
        double spreadPercent = 0.0;
        // Intervals of one and a half times the median or more: a line missing, or a trigger that
        // came late.
        size_t gaps = 0;
        double longestNs = 0.0;
        // The histogram: bins of equal width from lowNs to highNs; what lies outside is counted in
        // the first or the last bin.
        double lowNs = 0.0;
        double highNs = 0.0;
        std::vector<int> bins;

        // "Lines come every 400 us +- 3 %", with the gaps where there are any.
        std::string words() const;
    };

    explicit LineTimes(size_t capacity = 1 << 16);

    // The intake's thread: a frame's lines in order. A frame numbered 0 begins a new run.
    void add(const LineFrame& frame);
    void clear();
    // Empty when the camera gives no time for each line or too few lines came.
    std::optional<Summary> summary(int binCount = 60) const;
    // Whether lines came without times of their own.
    bool untimed() const;

    static Summary summarize(std::vector<double> intervalsNs, int binCount);

private:
    const size_t m_capacity;
    // Guards everything below.
    mutable std::mutex m_mutex;
    std::vector<double> m_intervals; // a ring, m_next the oldest once full
    size_t m_next = 0;
    std::optional<int64_t> m_last;
    bool m_untimed = false;
};
