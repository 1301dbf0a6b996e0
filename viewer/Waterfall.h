#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

struct LineFrame;

// The newest lines, made small enough to draw at one pixel per pixel: with factor camera pixels
// to one drawn pixel across, every factor-th line is drawn, averaged across, so that pixels stay
// square and a stretched image looks stretched. Every line is counted, only the drawn ones cost.
// A ring of rows in the screen's own pixel format, filled by the intake thread and copied out by
// the GUI thread.
class Waterfall
{
public:
    Waterfall(int width = 1024, int rows = 768);

    // GUI thread: the size to draw at; what was drawn is kept unless the scale changes.
    void setView(int width, int rows);
    // Intake thread.
    void add(const LineFrame& frame);
    void clear();

    struct Picture
    {
        std::vector<uint32_t> pixels; // rows x width, 0xffRRGGBB, oldest row first
        int width = 0;
        int rows = 0;
        int factor = 1; // camera pixels per drawn pixel, either way
        uint64_t version = 0;
    };
    // GUI thread: the rows drawn so far, when anything changed since picture's version.
    bool copy(Picture* picture) const;

private:
    void shape(int cameraWidth);
    void keepNewest(int oldRows);
    void addLine(const uint8_t* line);

    // Guards everything below.
    mutable std::mutex m_mutex;
    int m_viewWidth;
    int m_viewRows;
    int m_cameraWidth = 0;
    int m_factor = 1;
    int m_width = 0;
    std::vector<uint32_t> m_ring; // m_viewRows x m_width
    int m_next = 0;               // the row written next
    int m_filled = 0;
    uint64_t m_lines = 0; // since the shape was set: which line is drawn
    uint64_t m_version = 0;
};
