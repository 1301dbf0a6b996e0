#include "LineIntake.h"

#include "LineFrame.h"
#include "LineHistory.h"
#include "LineSource.h"
#include "LineTimes.h"
#include "Waterfall.h"

LineIntake::LineIntake(LineSource& source, Waterfall& waterfall, LineHistory* history, LineTimes* times)
    : m_source(source), m_waterfall(waterfall), m_history(history), m_times(times),
      m_thread(&LineIntake::run, this)
{
    // Called on the source's thread: only a note that something waits.
    m_source.setFrameListener([this] {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting = true;
        m_condition.notify_all();
    });
}

LineIntake::~LineIntake()
{
    m_source.setFrameListener(nullptr); // waits for a call in progress
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_condition.notify_all();
    m_thread.join();
}

uint64_t LineIntake::framesTaken() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_taken;
}

void LineIntake::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        // Also every 100 ms: a frame handed over before the listener was set is not left waiting.
        m_condition.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_stop || m_waiting; });
        if (m_stop)
            return;
        m_waiting = false;
        lock.unlock();
        uint64_t taken = 0;
        while (const std::shared_ptr<const LineFrame> frame = m_source.takeFrame()) {
            m_waterfall.add(*frame);
            if (m_history)
                m_history->add(*frame);
            if (m_times)
                m_times->add(*frame);
            ++taken;
        }
        lock.lock();
        m_taken += taken;
    }
}
