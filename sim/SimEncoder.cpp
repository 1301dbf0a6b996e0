#include "SimEncoder.h"

#include <cmath>

namespace {

// Position of a quadrature state in the forward sequence (A,B) = 10, 11, 01, 00.
int grayIndex(bool a, bool b)
{
    static const int index[2][2] = {{3, 2}, {0, 1}};
    return index[a][b];
}

} // namespace

void SimEncoder::configure(bool hasA, bool hasB, TriggerMath::Counting counting, double divider, bool a,
                           bool b)
{
    m_hasA = hasA;
    m_hasB = hasA && hasB;
    m_counting = counting;
    m_divider = divider > 0.0 ? divider : 1.0;
    m_a = a;
    m_b = b;
    m_quarters = 0;
    m_anchor = 0;
    m_max = m_count;
    m_origin = m_count;
    m_emitted = 0;
}

void SimEncoder::resync(bool a, bool b)
{
    m_a = a;
    m_b = b;
    m_anchor = m_quarters;
}

int SimEncoder::update(bool a, bool b)
{
    if (!m_hasA)
        return 0;
    const bool aChanged = a != m_a;
    const bool aRose = aChanged && a;
    const bool bChanged = m_hasB && b != m_b;
    const int from = grayIndex(m_a, m_b);
    m_a = a;
    m_b = b;
    if (!m_hasB) {
        // One channel: no direction to tell, every pulse counts up.
        if (aRose || (aChanged && m_counting == TriggerMath::Counting::HighResolution))
            count(m_count + 1);
    } else if (aChanged != bChanged) {
        const int64_t step = (grayIndex(a, b) - from + 4) % 4 == 1 ? 1 : -1; // forward or backward
        m_quarters += step;
        if (m_counting == TriggerMath::Counting::HighResolution) {
            count(m_count + step);
        } else if (m_quarters == m_anchor + 4 * step) {
            // A whole cycle away from where it last counted: jitter within a cycle counts nothing.
            m_anchor = m_quarters;
            count(m_count + step);
        }
    }
    if (m_count <= m_max)
        return 0;
    m_max = m_count;
    // From the whole count each time: a fractional divider does not drift.
    const auto total = static_cast<int64_t>(std::floor(static_cast<double>(m_max - m_origin) / m_divider));
    const auto pulses = static_cast<int>(total - m_emitted);
    m_emitted = total;
    return pulses;
}

void SimEncoder::reset()
{
    m_count = 0;
    m_direction = 0;
    configure(m_hasA, m_hasB, m_counting, m_divider, m_a, m_b);
}

void SimEncoder::count(int64_t newCount)
{
    if (newCount != m_count)
        m_direction = newCount > m_count ? 1 : -1;
    m_count = newCount;
}
