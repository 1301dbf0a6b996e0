#include <arv.h>

#include "GenicamCloser.h"

GenicamCloser::GenicamCloser()
{
    m_thread = GenicamThread([queue = m_queue] { run(*queue); });
}

void GenicamCloser::close(ArvDevice* device)
{
    {
        std::lock_guard<std::mutex> lock(m_queue->mutex);
        m_queue->devices.push_back(device);
    }
    m_queue->condition.notify_all();
}

void GenicamCloser::stop(std::chrono::milliseconds bound)
{
    bool busy = false;
    {
        std::lock_guard<std::mutex> lock(m_queue->mutex);
        m_queue->stopping = true;
        busy = m_queue->busy || !m_queue->devices.empty();
    }
    m_queue->condition.notify_all();
    m_thread.join(busy ? std::chrono::milliseconds(0) : bound);
}

void GenicamCloser::run(Queue& queue)
{
    std::unique_lock<std::mutex> lock(queue.mutex);
    for (;;) {
        queue.condition.wait(lock, [&queue] { return queue.stopping || !queue.devices.empty(); });
        if (queue.devices.empty())
            return;
        ArvDevice* device = queue.devices.front();
        queue.devices.pop_front();
        queue.busy = true;
        lock.unlock();
        g_object_unref(device);
        lock.lock();
        queue.busy = false;
    }
}
