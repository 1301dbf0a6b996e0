#pragma once

#include "TriggerMath.h"

#include <cstdint>

// The camera's encoder module (Encoder0): counts the signals of its source lines and divides the
// count into output pulses. Output pulses come only while the count passes its previous maximum,
// so travel backwards is made up before lines resume.
class SimEncoder
{
public:
    // Starts counting afresh from the source levels given, without counting the change itself:
    // the count stays, and output pulses are counted from here. A source that is not connected is
    // hasA or hasB false.
    void configure(bool hasA, bool hasB, TriggerMath::Counting counting, double divider, bool a, bool b);
    // The machine changed under the camera (a bench change): the levels are taken as they are now,
    // and the count, its previous maximum and the output pulses carry on.
    void resync(bool a, bool b);
    // The source lines' levels (after the camera's inverters) changed; returns the output pulses.
    int update(bool a, bool b);
    // EncoderReset: the count and the reference for output pulses go to 0.
    void reset();

    int64_t value() const { return m_count; }
    // +1 or -1 by the last change of the count, 0 before the first.
    int direction() const { return m_direction; }
    bool counts() const { return m_hasA; }

private:
    void count(int64_t newCount);

    bool m_hasA = false;
    bool m_hasB = false;
    TriggerMath::Counting m_counting = TriggerMath::Counting::FourPhase;
    double m_divider = 1.0;
    bool m_a = false;
    bool m_b = false;
    int64_t m_quarters = 0; // quadrature steps since configure, signed
    int64_t m_anchor = 0;   // m_quarters where FourPhase last counted
    int64_t m_count = 0;
    int64_t m_max = 0;
    int64_t m_origin = 0;  // the count output pulses are counted from
    int64_t m_emitted = 0; // output pulses since m_origin
    int m_direction = 0;
};
