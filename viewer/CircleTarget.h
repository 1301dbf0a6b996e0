#pragma once

#include <cstdint>
#include <optional>

// Square pixels measured from the image itself: filled circles in view (a test chart's, or any round
// mark on the belt) appear as ellipses whose height in lines over their width in pixels is the
// image's stretch along the belt, whatever the installation's figures say. Plain computation, any
// thread.
namespace CircleTarget {

struct Measurement
{
    int circles = 0;
    double stretch = 0.0; // along over across: 1 square, 4 stretched, 0.25 squeezed
    double spread = 0.0;  // the circles' standard deviation about it
};

// Mono8 lines of width pixels, oldest first. Empty when no circle lies wholly in view.
std::optional<Measurement> measure(const uint8_t* pixels, int width, int lines);

} // namespace CircleTarget
