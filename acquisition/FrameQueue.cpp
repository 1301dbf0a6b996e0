#include "FrameQueue.h"

#include "LineFrame.h"

#include <algorithm>
#include <utility>

// The buffers themselves. Frames handed out keep it alive through their deleter, so that a frame
// may outlive the queue.
struct FrameQueue::Pool
{
    std::mutex mutex; // guards free
    std::vector<std::unique_ptr<LineFrame>> buffers;
    std::vector<LineFrame*> free;
};

FrameQueue::FrameQueue(size_t buffers) : m_pool(std::make_shared<Pool>())
{
    for (size_t i = 0; i < buffers; ++i) {
        m_pool->buffers.push_back(std::make_unique<LineFrame>());
        m_pool->free.push_back(m_pool->buffers.back().get());
    }
}

FrameQueue::~FrameQueue() = default;

std::shared_ptr<LineFrame> FrameQueue::acquire(int width, int height)
{
    std::shared_ptr<LineFrame> reclaimed;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::lock_guard<std::mutex> poolLock(m_pool->mutex);
        if (m_pool->free.empty()) {
            ++m_statistics.droppedFrames;
            if (m_waiting.empty())
                return nullptr;
            reclaimed = std::move(m_waiting.front());
            m_waiting.pop_front();
        }
    }
    // Released outside the locks: its deleter gives the buffer back to the pool.
    reclaimed.reset();
    std::lock_guard<std::mutex> poolLock(m_pool->mutex);
    LineFrame* frame = m_pool->free.back();
    m_pool->free.pop_back();
    frame->reset(width, height);
    return std::shared_ptr<LineFrame>(frame, [pool = m_pool](LineFrame* returned) {
        std::lock_guard<std::mutex> lock(pool->mutex);
        pool->free.push_back(returned);
    });
}

void FrameQueue::push(std::shared_ptr<LineFrame> frame)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting.push_back(std::move(frame));
    }
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    if (m_listener)
        m_listener();
}

void FrameQueue::offer(std::shared_ptr<LineFrame> frame, size_t most)
{
    std::deque<std::shared_ptr<LineFrame>> givenUp; // released outside the lock: their deleters run
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting.push_back(std::move(frame));
        while (m_waiting.size() > std::max<size_t>(most, 1)) {
            givenUp.push_back(std::move(m_waiting.front()));
            m_waiting.pop_front();
            ++m_statistics.droppedFrames;
        }
    }
    givenUp.clear();
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    if (m_listener)
        m_listener();
}

void FrameQueue::countDropped(uint64_t frames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_statistics.droppedFrames += frames;
}

void FrameQueue::countIncomplete()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_statistics.incompleteFrames;
}

void FrameQueue::countLines(uint64_t lines)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_statistics.lines += lines;
}

std::shared_ptr<const LineFrame> FrameQueue::take()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_waiting.empty())
        return nullptr;
    std::shared_ptr<const LineFrame> frame = std::move(m_waiting.front());
    m_waiting.pop_front();
    ++m_statistics.frames;
    return frame;
}

size_t FrameQueue::waiting() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waiting.size();
}

void FrameQueue::setListener(std::function<void()> listener)
{
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    m_listener = std::move(listener);
}

LineSource::Statistics FrameQueue::statistics() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_statistics;
}

void FrameQueue::restart()
{
    std::deque<std::shared_ptr<LineFrame>> forgotten;
    std::lock_guard<std::mutex> lock(m_mutex);
    forgotten.swap(m_waiting);
    m_statistics = LineSource::Statistics();
}
