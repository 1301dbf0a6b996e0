#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct _ArvDevice ArvDevice; // NOLINT(bugprone-reserved-identifier): GLib type

namespace Tovrik {
class Feature;
class FeatureObserverInterface;
} // namespace Tovrik

// The one thread that talks to an Aravis device (Aravis is not thread-safe). Other threads hand it
// tasks and wait for them. Aravis has no change callbacks, so the thread also polls the observed
// features, a few times a second and after every write, and tells their observers what changed.
class GenicamWorker : public std::enable_shared_from_this<GenicamWorker>
{
public:
    using Task = std::function<void(ArvDevice*)>;
    // Runs on the worker thread; returns the opened device, or null with error set.
    using Opener = std::function<ArvDevice*(std::string* error)>;

    // Starts the thread and waits until it has opened the device; null with error set on failure.
    static std::shared_ptr<GenicamWorker> start(Opener opener, std::string* error);
    ~GenicamWorker();
    GenicamWorker(const GenicamWorker&) = delete;
    GenicamWorker& operator=(const GenicamWorker&) = delete;

    // Runs task on the worker thread and waits for it; runs it at once when called there.
    // False when the worker has stopped and the task did not run.
    bool run(const Task& task);
    // Closes the device and ends the thread; waits for it unless called on the worker thread.
    void stop();
    bool isWorkerThread() const;

    // The handles observers are told about, by feature name.
    void setHandles(const std::map<std::string, std::shared_ptr<Tovrik::Feature>>& handles);
    void addObserver(const std::string& name, std::shared_ptr<Tovrik::FeatureObserverInterface> observer);
    void removeObserver(const std::string& name,
                        const std::shared_ptr<Tovrik::FeatureObserverInterface>& observer);
    size_t observerCount(const std::string& name) const;

    void setPollInterval(std::chrono::milliseconds interval);
    // Polls soon, without waiting (after a write).
    void requestPoll();
    // Polls now and waits until every change found has been delivered.
    void pollNow();
    uint64_t pollCount() const;

private:
    GenicamWorker() = default;
    void loop();
    void poll();

    std::thread m_thread;
    std::thread::id m_threadId;
    ArvDevice* m_device = nullptr; // owned by the worker thread

    // Guards the queue, the flags, the observers, the snapshots and the poll settings.
    mutable std::mutex m_mutex;
    std::condition_variable m_condition;
    std::deque<std::function<void()>> m_tasks;
    bool m_stopping = false;
    bool m_stopped = false;
    bool m_pollDue = false;
    std::chrono::milliseconds m_pollInterval{250};
    uint64_t m_polls = 0;
    std::map<std::string, std::shared_ptr<Tovrik::Feature>> m_handles;
    std::map<std::string, std::vector<std::shared_ptr<Tovrik::FeatureObserverInterface>>> m_observers;
    std::map<std::string, std::string> m_snapshots;
};
