#include "Waterfall.h"

#include "LineFrame.h"

#include <algorithm>

Waterfall::Waterfall(int width, int rows) : m_viewWidth(std::max(1, width)), m_viewRows(std::max(1, rows)) {}

void Waterfall::setView(int width, int rows)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int oldRows = m_viewRows;
    m_viewWidth = std::max(1, width);
    m_viewRows = std::max(1, rows);
    // Only a new scale loses what was drawn; a taller or shorter view keeps the newest rows.
    if (m_cameraWidth > 0 && std::max(1, (m_cameraWidth + m_viewWidth - 1) / m_viewWidth) == m_factor)
        keepNewest(oldRows);
    else
        shape(m_cameraWidth);
    ++m_version;
}

void Waterfall::keepNewest(int oldRows)
{
    const int kept = std::min(m_filled, m_viewRows);
    const size_t rowPixels = static_cast<size_t>(m_width);
    std::vector<uint32_t> ring(static_cast<size_t>(m_viewRows) * rowPixels, 0xff000000u);
    for (int i = 0; i < kept; ++i) {
        const int row = ((m_next - kept + i) % oldRows + oldRows) % oldRows;
        std::copy_n(m_ring.data() + static_cast<size_t>(row) * rowPixels, rowPixels,
                    ring.data() + static_cast<size_t>(i) * rowPixels);
    }
    m_ring = std::move(ring);
    m_filled = kept;
    m_next = kept % m_viewRows;
}

void Waterfall::add(const LineFrame& frame)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (frame.width != m_cameraWidth)
        shape(frame.width);
    for (int line = 0; line < frame.lines; ++line) {
        if (m_lines++ % static_cast<uint64_t>(m_factor) == 0)
            addLine(frame.line(line));
    }
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
    m_factor = std::max(1, (cameraWidth + m_viewWidth - 1) / m_viewWidth);
    m_width = cameraWidth / m_factor;
    m_ring.assign(static_cast<size_t>(m_viewRows) * static_cast<size_t>(m_width), 0xff000000u);
    m_next = 0;
    m_filled = 0;
    m_lines = 0;
}

void Waterfall::addLine(const uint8_t* line)
{
    // The mean as a multiplication: a division per pixel would cost more than the adding.
    const uint32_t reciprocal =
        ((1u << 16) + static_cast<uint32_t>(m_factor) / 2) / static_cast<uint32_t>(m_factor);
    uint32_t* row = m_ring.data() + static_cast<size_t>(m_next) * static_cast<size_t>(m_width);
    for (int x = 0; x < m_width; ++x) {
        const uint8_t* pixel = line + static_cast<size_t>(x) * static_cast<size_t>(m_factor);
        uint32_t sum = 0;
        for (int i = 0; i < m_factor; ++i)
            sum += pixel[i];
        const uint32_t grey = std::min<uint32_t>(255, (sum * reciprocal) >> 16);
        row[x] = 0xff000000u | grey * 0x010101u;
    }
    m_next = (m_next + 1) % m_viewRows;
    m_filled = std::min(m_filled + 1, m_viewRows);
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
    // Oldest first: the rows from the next one to write on, then those before it.
    const size_t rowPixels = static_cast<size_t>(m_width);
    const int first = m_filled < m_viewRows ? 0 : m_next;
    for (int i = 0; i < m_filled; ++i) {
        const int row = (first + i) % m_viewRows;
        std::copy_n(m_ring.data() + static_cast<size_t>(row) * rowPixels, rowPixels,
                    picture->pixels.data() + static_cast<size_t>(i) * rowPixels);
    }
    return true;
}
