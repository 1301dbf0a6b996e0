#pragma once

#include "LineFrame.h"

// The width in pixels over the height in lines of the chart's circle at the centre of the view: the
// longest run of ink down the centre column (the ruler's marks and the text are shorter), and the
// run across at its middle. 1 for square pixels.
inline double aspectOfTheCentreCircle(const LineFrame& frame)
{
    const int centre = frame.width / 2;
    const auto ink = [&frame](int line, int column) {
        return frame.line(line)[column] < 64;
    };
    int first = 0;
    int length = 0;
    for (int line = 0, run = 0; line < frame.lines; ++line) {
        run = ink(line, centre) ? run + 1 : 0;
        if (run > length) {
            length = run;
            first = line - run + 1;
        }
    }
    const int middle = first + length / 2;
    int left = centre;
    int right = centre;
    while (left > 0 && ink(middle, left - 1))
        --left;
    while (right < frame.width - 1 && ink(middle, right + 1))
        ++right;
    return length > 0 ? static_cast<double>(right - left + 1) / length : 0.0;
}
