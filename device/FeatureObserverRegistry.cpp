#include "FeatureObserverRegistry.h"

#include "TovrikFeature.h"
#include "TovrikFeatureObserverInterface.h"

#include <algorithm>

struct FeatureObserverRegistry::Queue
{
    std::mutex mutex; // guards everything below
    std::condition_variable condition;
    std::deque<Notification> notifications;
    bool delivering = false;
    bool stop = false;
    uint64_t deliveries = 0;
    std::thread thread; // started with the first delivery it makes
};

FeatureObserverRegistry::FeatureObserverRegistry(Delivery delivery)
    : m_delivery(delivery), m_queue(std::make_shared<Queue>())
{}

FeatureObserverRegistry::~FeatureObserverRegistry()
{
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(m_queue->mutex);
        m_queue->stop = true;
        m_queue->notifications.clear();
        thread = std::move(m_queue->thread);
    }
    m_queue->condition.notify_all();
    if (!thread.joinable())
        return;
    if (thread.get_id() == std::this_thread::get_id())
        thread.detach(); // inside a delivery: the thread ends with it, on the queue it shares
    else
        thread.join();
}

void FeatureObserverRegistry::setDelivery(Delivery delivery)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_delivery = delivery;
}

FeatureObserverRegistry::Delivery FeatureObserverRegistry::delivery() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_delivery;
}

bool FeatureObserverRegistry::add(const std::string& feature, Handle handle, Observer observer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto& entry = m_observers[feature];
    entry.first = std::move(handle);
    if (std::find(entry.second.begin(), entry.second.end(), observer) != entry.second.end())
        return false;
    entry.second.push_back(std::move(observer));
    return true;
}

bool FeatureObserverRegistry::remove(const std::string& feature, const Observer& observer)
{
    Observer released; // let go outside the lock: it may be the last reference
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto entry = m_observers.find(feature);
    if (entry == m_observers.end())
        return false;
    auto& list = entry->second.second;
    const auto found = std::find(list.begin(), list.end(), observer);
    if (found == list.end())
        return false;
    released = std::move(*found);
    list.erase(found);
    // The baseline stays: a page that detaches and attaches again hears of a change made between.
    if (list.empty())
        m_observers.erase(entry);
    return true;
}

size_t FeatureObserverRegistry::count(const std::string& feature) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto entry = m_observers.find(feature);
    return entry == m_observers.end() ? 0 : entry->second.second.size();
}

std::vector<std::string> FeatureObserverRegistry::observed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> names;
    for (const auto& entry : m_observers)
        names.push_back(entry.first);
    return names;
}

void FeatureObserverRegistry::clear()
{
    decltype(m_observers) released;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        released.swap(m_observers);
    }
    std::lock_guard<std::mutex> lock(m_queue->mutex);
    m_queue->notifications.clear();
}

bool FeatureObserverRegistry::changed(const std::string& feature, const FeatureState& state)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto known = m_states.find(feature);
    if (known == m_states.end()) {
        m_states.emplace(feature, state);
        return false;
    }
    if (known->second == state)
        return false;
    known->second = state;
    return true;
}

bool FeatureObserverRegistry::hasBaseline(const std::string& feature) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_states.count(feature) != 0;
}

std::optional<FeatureState> FeatureObserverRegistry::state(const std::string& feature) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto known = m_states.find(feature);
    return known == m_states.end() ? std::nullopt : std::optional<FeatureState>(known->second);
}

void FeatureObserverRegistry::forgetBaselines()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_states.clear();
}

void FeatureObserverRegistry::notify(const std::vector<std::string>& features)
{
    std::vector<Notification> notifications;
    Delivery delivery = Delivery::OnCaller;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        delivery = m_delivery;
        for (const std::string& feature : features) {
            const auto entry = m_observers.find(feature);
            if (entry == m_observers.end())
                continue;
            for (const Observer& observer : entry->second.second)
                notifications.emplace_back(observer, entry->second.first);
        }
    }
    if (notifications.empty())
        return;
    if (delivery == Delivery::OwnThread) {
        {
            std::lock_guard<std::mutex> lock(m_queue->mutex);
            m_queue->notifications.insert(m_queue->notifications.end(), notifications.begin(),
                                          notifications.end());
            if (!m_queue->thread.joinable())
                m_queue->thread = std::thread(&FeatureObserverRegistry::deliverOnThread, m_queue);
        }
        m_queue->condition.notify_all();
        return;
    }
    for (Notification& notification : notifications) {
        notification.first->featureUpdated(notification.second);
        std::lock_guard<std::mutex> lock(m_queue->mutex);
        ++m_queue->deliveries;
    }
}

void FeatureObserverRegistry::waitForDeliveries()
{
    std::unique_lock<std::mutex> lock(m_queue->mutex);
    m_queue->condition.wait(
        lock, [this] { return m_queue->stop || (m_queue->notifications.empty() && !m_queue->delivering); });
}

uint64_t FeatureObserverRegistry::deliveries() const
{
    std::lock_guard<std::mutex> lock(m_queue->mutex);
    return m_queue->deliveries;
}

void FeatureObserverRegistry::deliverOnThread(const std::shared_ptr<Queue>& queue)
{
    std::unique_lock<std::mutex> lock(queue->mutex);
    for (;;) {
        queue->condition.wait(lock, [&queue] { return queue->stop || !queue->notifications.empty(); });
        if (queue->stop)
            return;
        Notification notification = std::move(queue->notifications.front());
        queue->notifications.pop_front();
        queue->delivering = true;
        lock.unlock();
        notification.first->featureUpdated(notification.second);
        // Let go here, outside the lock: the observer may be the last reference.
        notification = Notification();
        lock.lock();
        ++queue->deliveries;
        queue->delivering = false;
        queue->condition.notify_all();
    }
}
