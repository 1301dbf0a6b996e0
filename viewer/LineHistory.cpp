#include "LineHistory.h"

#include "LineFrame.h"

#include <algorithm>
#include <cstring>

LineHistory::LineHistory(int capacity) : m_capacity(capacity) {}

void LineHistory::add(const LineFrame& frame)
{
    if (frame.width <= 0 || frame.lines <= 0)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (frame.width != m_width) {
        m_width = frame.width;
        m_ring.assign(static_cast<size_t>(m_capacity) * static_cast<size_t>(m_width), 0);
        m_next = 0;
        m_count = 0;
    }
    const auto width = static_cast<size_t>(m_width);
    // Only the newest capacity lines of a frame taller than the ring are worth copying.
    for (int line = std::max(0, frame.lines - m_capacity); line < frame.lines; ++line) {
        std::memcpy(m_ring.data() + static_cast<size_t>(m_next) * width, frame.line(line), width);
        m_next = (m_next + 1) % m_capacity;
    }
    m_count = std::min(m_capacity, m_count + frame.lines);
}

void LineHistory::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_count = 0;
    m_next = 0;
}

LineHistory::Image LineHistory::snapshot() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Image image;
    image.width = m_width;
    image.lines = m_count;
    if (m_count == 0)
        return image;
    const auto width = static_cast<size_t>(m_width);
    image.pixels.resize(static_cast<size_t>(m_count) * width);
    const int oldest = (m_next - m_count + m_capacity) % m_capacity;
    // The ring in two pieces: from the oldest to its end, then from its start.
    const int first = std::min(m_count, m_capacity - oldest);
    std::memcpy(image.pixels.data(), m_ring.data() + static_cast<size_t>(oldest) * width,
                static_cast<size_t>(first) * width);
    std::memcpy(image.pixels.data() + static_cast<size_t>(first) * width, m_ring.data(),
                static_cast<size_t>(m_count - first) * width);
    return image;
}
