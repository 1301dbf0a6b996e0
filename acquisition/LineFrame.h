#pragma once

#include "Invariant.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One frame of a line-scan camera: up to height lines of width Mono8 pixels, line after line, each
// with the time it was triggered and, where the camera knows it, where the belt was then. Its pixels
// are its own, or borrowed from a stream's buffer that the frame's owner returns when it goes.
struct LineFrame
{
    uint64_t id = 0; // counted from 0 at each start of acquisition
    int width = 0;
    int height = 0;              // the lines of a complete frame
    int lines = 0;               // the lines it holds; fewer than height only in the last frame before a stop
    std::vector<uint8_t> pixels; // its own pixels, unless it borrows them
    const uint8_t* borrowed = nullptr; // a stream's buffer, valid while the frame lives
    std::vector<int64_t> timestampsNs; // per line; empty when the camera does not say
    std::vector<double> positionsMm;   // per line; empty when the camera does not know

    // Shapes the frame for new lines of its own, keeping the memory it already has.
    void reset(int newWidth, int newHeight);
    bool complete() const { return lines == height; }
    const uint8_t* line(int index) const
    {
        LT_ASSERT(index >= 0 && index < lines);
        return (borrowed ? borrowed : pixels.data()) +
               static_cast<size_t>(index) * static_cast<size_t>(width);
    }
    uint8_t* line(int index)
    {
        LT_ASSERT(!borrowed && index >= 0 && index < height);
        return pixels.data() + static_cast<size_t>(index) * static_cast<size_t>(width);
    }
};
