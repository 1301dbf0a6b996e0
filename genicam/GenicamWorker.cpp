#include <arv.h>

#include "GenicamWorker.h"

#include "GenicamNode.h"
#include "TovrikFeatureObserverInterface.h"

#include <algorithm>
#include <future>
#include <utility>

std::shared_ptr<GenicamWorker> GenicamWorker::start(Opener opener, std::string* error)
{
    std::shared_ptr<GenicamWorker> worker(new GenicamWorker);
    std::promise<std::string> opened;
    std::future<std::string> result = opened.get_future();
    // The thread keeps the worker alive until it has closed the device.
    worker->m_thread =
        std::thread([worker, opener = std::move(opener), opened = std::move(opened)]() mutable {
            worker->m_threadId = std::this_thread::get_id();
            std::string failure;
            worker->m_device = opener(&failure);
            if (!worker->m_device) {
                {
                    std::lock_guard<std::mutex> lock(worker->m_mutex);
                    worker->m_stopped = true;
                }
                opened.set_value(failure.empty() ? std::string("the device could not be opened") : failure);
                return;
            }
            opened.set_value(std::string());
            worker->loop();
        });
    const std::string failure = result.get();
    if (!failure.empty()) {
        if (error)
            *error = failure;
        return nullptr;
    }
    return worker;
}

GenicamWorker::~GenicamWorker()
{
    stop();
    // The last owner may be the worker thread itself, finishing its loop.
    if (m_thread.joinable())
        m_thread.detach();
}

bool GenicamWorker::isWorkerThread() const
{
    return std::this_thread::get_id() == m_threadId;
}

bool GenicamWorker::run(const Task& task)
{
    if (isWorkerThread()) {
        if (!m_device)
            return false;
        task(m_device);
        return true;
    }
    std::packaged_task<void()> job([this, &task] { task(m_device); });
    std::future<void> done = job.get_future();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping || m_stopped)
            return false;
        m_tasks.emplace_back([&job] { job(); });
    }
    m_condition.notify_all();
    done.wait();
    return true;
}

void GenicamWorker::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_condition.notify_all();
    if (!isWorkerThread() && m_thread.joinable())
        m_thread.join();
}

void GenicamWorker::loop()
{
    auto nextPoll = std::chrono::steady_clock::now();
    for (;;) {
        std::function<void()> task;
        bool pollNowDue = false;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_condition.wait_until(lock, nextPoll,
                                   [this] { return m_stopping || !m_tasks.empty() || m_pollDue; });
            if (m_stopping) {
                // Tasks still queued were accepted before the stop: run them so no caller waits forever.
                while (!m_tasks.empty()) {
                    std::function<void()> pending = std::move(m_tasks.front());
                    m_tasks.pop_front();
                    lock.unlock();
                    pending();
                    lock.lock();
                }
                m_stopped = true;
                break;
            }
            if (!m_tasks.empty()) {
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            } else if (m_pollDue || std::chrono::steady_clock::now() >= nextPoll) {
                pollNowDue = true;
                m_pollDue = false;
                nextPoll = std::chrono::steady_clock::now() + m_pollInterval;
            }
        }
        if (task)
            task();
        else if (pollNowDue)
            poll();
    }
    g_clear_object(&m_device);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observers.clear();
    m_handles.clear();
}

void GenicamWorker::poll()
{
    std::vector<std::string> names;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& observed : m_observers) {
            if (!observed.second.empty())
                names.push_back(observed.first);
        }
    }
    std::vector<std::string> changed;
    std::vector<std::pair<std::string, std::string>> fresh;
    for (const std::string& name : names)
        fresh.emplace_back(name, GenicamNode(m_device, name).snapshot());

    using Delivery =
        std::pair<std::shared_ptr<Tovrik::FeatureObserverInterface>, std::shared_ptr<Tovrik::Feature>>;
    std::vector<Delivery> deliveries;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_polls;
        for (const auto& snapshot : fresh) {
            auto known = m_snapshots.find(snapshot.first);
            if (known == m_snapshots.end()) {
                // First look at a newly observed feature: nothing to report yet.
                m_snapshots.emplace(snapshot.first, snapshot.second);
                continue;
            }
            if (known->second == snapshot.second)
                continue;
            known->second = snapshot.second;
            const auto handle = m_handles.find(snapshot.first);
            const auto observers = m_observers.find(snapshot.first);
            if (handle == m_handles.end() || observers == m_observers.end())
                continue;
            for (const auto& observer : observers->second)
                deliveries.emplace_back(observer, handle->second);
        }
    }
    // Outside the lock: an observer may call back into the features.
    for (Delivery& delivery : deliveries)
        delivery.first->featureUpdated(delivery.second);
}

void GenicamWorker::setHandles(const std::map<std::string, std::shared_ptr<Tovrik::Feature>>& handles)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handles = handles;
}

void GenicamWorker::addObserver(const std::string& name,
                                std::shared_ptr<Tovrik::FeatureObserverInterface> observer)
{
    bool known = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping || m_stopped)
            return;
        m_observers[name].push_back(std::move(observer));
        known = m_snapshots.count(name) != 0;
    }
    if (known)
        return;
    // The first look happens now, so that a change made right after registering is reported.
    std::string snapshot;
    const bool ran = run([&](ArvDevice* device) { snapshot = GenicamNode(device, name).snapshot(); });
    std::lock_guard<std::mutex> lock(m_mutex);
    if (ran)
        m_snapshots.emplace(name, snapshot);
}

void GenicamWorker::removeObserver(const std::string& name,
                                   const std::shared_ptr<Tovrik::FeatureObserverInterface>& observer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto observers = m_observers.find(name);
    if (observers == m_observers.end())
        return;
    auto& list = observers->second;
    const auto found = std::find(list.begin(), list.end(), observer);
    if (found != list.end())
        list.erase(found);
    // The snapshot stays: the page detaches and attaches again at every tick, and a change made
    // in between is reported once it is back.
    if (list.empty())
        m_observers.erase(observers);
}

size_t GenicamWorker::observerCount(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto observers = m_observers.find(name);
    return observers == m_observers.end() ? 0 : observers->second.size();
}

void GenicamWorker::setPollInterval(std::chrono::milliseconds interval)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pollInterval = std::max(interval, std::chrono::milliseconds(1));
    }
    m_condition.notify_all();
}

void GenicamWorker::requestPoll()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pollDue = true;
    }
    m_condition.notify_all();
}

void GenicamWorker::pollNow()
{
    run([this](ArvDevice*) { poll(); });
}

uint64_t GenicamWorker::pollCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_polls;
}
