#pragma once

#include "GenicamThread.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

typedef struct _ArvDevice ArvDevice; // NOLINT(bugprone-reserved-identifier): GLib type

// Closes lost devices on a thread of its own: Aravis may take seconds to let go of a camera that
// is gone, and the camera's worker must not wait for that.
class GenicamCloser
{
public:
    GenicamCloser();
    GenicamCloser(const GenicamCloser&) = delete;
    GenicamCloser& operator=(const GenicamCloser&) = delete;

    // Takes the device's reference and lets go of it soon.
    void close(ArvDevice* device);
    // Ends the thread: joined at once if it is idle, else at the process's exit, within a bound.
    void stop(std::chrono::milliseconds bound);

private:
    struct Queue
    {
        std::mutex mutex; // guards everything below
        std::condition_variable condition;
        std::deque<ArvDevice*> devices;
        bool busy = false;
        bool stopping = false;
    };
    static void run(Queue& queue);

    // Shared with the thread, which may outlive its owner.
    const std::shared_ptr<Queue> m_queue = std::make_shared<Queue>();
    GenicamThread m_thread;
};
