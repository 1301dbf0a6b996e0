#include "LineFrame.h"

void LineFrame::reset(int newWidth, int newHeight)
{
    id = 0;
    width = newWidth;
    height = newHeight;
    lines = 0;
    borrowed = nullptr;
    pixels.resize(static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight));
    timestampsNs.clear();
    positionsMm.clear();
}
