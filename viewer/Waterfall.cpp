#include "Waterfall.h"

#include "LineFrame.h"

#include <algorithm>

Waterfall::Waterfall(int rows, int maxWidth) : m_rows(rows), m_maxWidth(maxWidth) {}

void Waterfall::add(const LineFrame& frame)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (frame.width != m_cameraWidth)
        shape(frame.width);
    for (int line = 0; line < frame.lines; ++line)
        addLine(frame.line(line));
    ++m_version;
}

void Waterfall::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    shape(m_cameraWidth);
    ++m_version;
}

void Waterfall::shape(int cameraWidth)
{
    m_cameraWidth = cameraWidth;
    m_factor = std::clamp((cameraWidth + m_maxWidth - 1) / m_maxWidth, 1, 64);
    m_width = cameraWidth / m_factor;
    m_ring.assign(static_cast<size_t>(m_rows) * static_cast<size_t>(m_width), 0);
    m_sums.assign(static_cast<size_t>(m_width) * static_cast<size_t>(m_factor), 0);
    m_next = 0;
    m_filled = 0;
    m_summed = 0;
}

void Waterfall::addLine(const uint8_t* line)
{
    // Along first, pixel by pixel (a loop the compiler makes wide); across once per block.
    uint16_t* sums = m_sums.data();
    const size_t count = m_sums.size();
    for (size_t i = 0; i < count; ++i)
        sums[i] = static_cast<uint16_t>(sums[i] + line[i]);
    if (++m_summed < m_factor)
        return;
    const auto block = static_cast<uint32_t>(m_factor * m_factor);
    uint8_t* row = m_ring.data() + static_cast<size_t>(m_next) * static_cast<size_t>(m_width);
    for (int x = 0; x < m_width; ++x) {
        uint32_t sum = 0;
        for (int i = 0; i < m_factor; ++i)
            sum += sums[static_cast<size_t>(x) * m_factor + i];
        row[x] = static_cast<uint8_t>(sum / block);
    }
    std::fill(m_sums.begin(), m_sums.end(), uint16_t{0});
    m_summed = 0;
    m_next = (m_next + 1) % m_rows;
    m_filled = std::min(m_filled + 1, m_rows);
}

bool Waterfall::copy(Picture* picture) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (picture->version == m_version && !picture->pixels.empty())
        return false;
    picture->version = m_version;
    picture->width = m_width;
    picture->rows = m_filled;
    picture->factor = m_factor;
    picture->pixels.resize(static_cast<size_t>(m_filled) * static_cast<size_t>(m_width));
    // Oldest first: the rows after the next one to write, then those before it.
    const size_t rowBytes = static_cast<size_t>(m_width);
    const int first = m_filled < m_rows ? 0 : m_next;
    for (int i = 0; i < m_filled; ++i) {
        const int row = (first + i) % m_rows;
        std::copy_n(m_ring.data() + static_cast<size_t>(row) * rowBytes, rowBytes,
                    picture->pixels.data() + static_cast<size_t>(i) * rowBytes);
    }
    return true;
}
