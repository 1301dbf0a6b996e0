#pragma once

#include <cstdint>
#include <vector>

// The printed test chart on the belt, as the camera's line of pixels sees it: circles, a square
// grid, a ruler along the belt and one across it with millimetre marks, and some text. The chart
// is 400 mm wide, centred on the camera's view, and repeats every 200 mm along the belt; beside it
// is the darker belt. Rows are drawn when first needed and kept until the view changes.
class SimChart
{
public:
    static constexpr double lengthMm = 200.0;
    static constexpr double widthMm = 400.0;

    // The camera's view: width pixels of pixelSizeMm each, across the belt; brightness scales the
    // chart's reflectance (1: white paper, reflectance 0.85, gives 217).
    void configure(int width, double pixelSizeMm, double brightness);
    // The pixels of one line with the belt at positionMm; valid until the next call.
    const uint8_t* line(double positionMm);

    int width() const { return m_width; }

private:
    struct Levels
    {
        uint8_t paper, belt, grid, ink;
    };

    void render(int row, uint8_t* pixels) const;
    void fill(uint8_t* pixels, double fromMm, double toMm, uint8_t level) const;
    void text(uint8_t* pixels, double y, const char* text, double leftMm, double topMm, double dotMm) const;

    int m_width = 0;
    double m_pixelSize = 0.1;
    double m_rowStep = 0.05; // mm of belt per cached row
    int m_rows = 0;
    Levels m_levels{};
    std::vector<uint8_t> m_cache;
    std::vector<bool> m_drawn;
};
