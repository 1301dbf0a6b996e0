#pragma once

#include "LineSource.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

struct LineFrame;

// Hands frames from the thread that fills them to one consumer through a fixed pool of buffers.
// When every buffer is taken, the oldest frame still waiting is given up for the new one; when the
// consumer holds them all, the new frame is. Either way the loss is counted and nothing grows.
class FrameQueue
{
public:
    explicit FrameQueue(size_t buffers = 8);
    ~FrameQueue();
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // Producer: an empty frame of that shape, or null when the consumer holds every buffer (the
    // frame is then counted as dropped).
    std::shared_ptr<LineFrame> acquire(int width, int height);
    // Producer: hands a frame over and calls the listener, outside the queue's lock.
    void push(std::shared_ptr<LineFrame> frame);
    // Producer: hands over a frame of the producer's own buffers (see LineFrame::borrowed); when
    // more than most are waiting, the oldest is given up, counted as dropped, and its buffer returns.
    void offer(std::shared_ptr<LineFrame> frame, size_t most);
    // Producer: counts a frame the source could not deliver for a reason of its own, or lost before
    // it could be taken in.
    void countIncomplete();
    void countDropped(uint64_t frames);
    void countLines(uint64_t lines);

    std::shared_ptr<const LineFrame> take();
    size_t waiting() const;
    void setListener(std::function<void()> listener);
    LineSource::Statistics statistics() const;
    // Forgets the frames waiting and the counts, for a new start.
    void restart();

private:
    struct Pool;

    std::shared_ptr<Pool> m_pool;
    // Guards the waiting frames and the counts.
    mutable std::mutex m_mutex;
    std::deque<std::shared_ptr<LineFrame>> m_waiting;
    LineSource::Statistics m_statistics;
    // Held while the listener runs, so that replacing it waits for a call in progress.
    std::mutex m_listenerMutex;
    std::function<void()> m_listener;
};
