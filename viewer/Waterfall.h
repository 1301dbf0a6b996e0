#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

struct LineFrame;

// The newest lines, made small enough to draw: each block of factor x factor camera pixels is
// averaged into one, the same factor across and along, so that pixels stay square and a stretched
// image looks stretched. A ring of rows, filled by the intake thread and copied out by the GUI's.
class Waterfall
{
public:
    // rows: how many drawn rows are kept; maxWidth: the widest a drawn row may be (at least 64
    // camera pixels to one drawn pixel, so that a block's sums fit 16 bits).
    explicit Waterfall(int rows = 768, int maxWidth = 1024);

    // Intake thread: every line counts; the block average makes the rows.
    void add(const LineFrame& frame);
    void clear();

    struct Picture
    {
        std::vector<uint8_t> pixels; // rows x width, oldest row first
        int width = 0;
        int rows = 0;
        int factor = 1; // camera pixels per drawn pixel, either way
        uint64_t version = 0;
    };
    // GUI thread: the rows drawn so far, when anything changed since version; false otherwise.
    bool copy(Picture* picture) const;

private:
    void shape(int cameraWidth);
    void addLine(const uint8_t* line);

    const int m_rows;
    const int m_maxWidth;
    // Guards everything below.
    mutable std::mutex m_mutex;
    int m_cameraWidth = 0;
    int m_factor = 1;
    int m_width = 0;
    std::vector<uint8_t> m_ring; // m_rows x m_width
    int m_next = 0;              // the row written next
    int m_filled = 0;
    std::vector<uint16_t> m_sums; // the lines of the block being averaged, summed pixel by pixel
    int m_summed = 0;             // lines in it
    uint64_t m_version = 0;
};
