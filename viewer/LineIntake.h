#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class LineHistory;
class LineSource;
class LineTimes;
class Waterfall;

// Takes every frame a line source hands over, on a thread of its own, and folds it into the
// waterfall: the GUI thread only ever copies the small result. A frame is taken as soon as it is
// waiting, so the source's buffers come back at once and none is dropped for the drawing's sake.
class LineIntake
{
public:
    // The history, where given, keeps the newest lines at full resolution besides; the times, the
    // intervals between them.
    LineIntake(LineSource& source, Waterfall& waterfall, LineHistory* history = nullptr,
               LineTimes* times = nullptr);
    ~LineIntake();
    LineIntake(const LineIntake&) = delete;
    LineIntake& operator=(const LineIntake&) = delete;

    uint64_t framesTaken() const;

private:
    void run();

    LineSource& m_source;
    Waterfall& m_waterfall;
    LineHistory* const m_history;
    LineTimes* const m_times;
    // Guards everything below.
    mutable std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_waiting = false;
    bool m_stop = false;
    uint64_t m_taken = 0;
    std::thread m_thread;
};
