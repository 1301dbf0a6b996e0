#pragma once

#include "FeatureState.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace Tovrik {
class Feature;
class FeatureObserverInterface;
} // namespace Tovrik

// The observers of a camera's features, and what each feature looked like when it was last
// compared, so that observers hear of real changes only. Used by every backend (simulated and
// GenICam cameras). Thread-safe. Observers are called on the thread that notifies, or on the
// registry's own thread, never with a lock of the registry held: they may call back into the
// camera.
class FeatureObserverRegistry
{
public:
    enum class Delivery {
        OnCaller,  // featureUpdated runs on the thread that notifies
        OwnThread, // featureUpdated runs on the registry's thread, in order
    };
    using Observer = std::shared_ptr<Tovrik::FeatureObserverInterface>;
    using Handle = std::shared_ptr<Tovrik::Feature>;

    explicit FeatureObserverRegistry(Delivery delivery = Delivery::OnCaller);
    ~FeatureObserverRegistry();
    FeatureObserverRegistry(const FeatureObserverRegistry&) = delete;
    FeatureObserverRegistry& operator=(const FeatureObserverRegistry&) = delete;

    void setDelivery(Delivery delivery);
    Delivery delivery() const;

    // Registers an observer of the feature behind handle; false when it already is.
    bool add(const std::string& feature, Handle handle, Observer observer);
    // False when the observer was not registered for the feature.
    bool remove(const std::string& feature, const Observer& observer);
    size_t count(const std::string& feature) const;
    std::vector<std::string> observed() const;
    // Drops every observer; deliveries not yet made are dropped too.
    void clear();

    // Compares a feature's state with the last one and keeps it. The first state of a feature is
    // its baseline: false.
    bool changed(const std::string& feature, const FeatureState& state);
    bool hasBaseline(const std::string& feature) const;
    // The state last compared, if any.
    std::optional<FeatureState> state(const std::string& feature) const;
    void forgetBaselines();

    // Tells the observers of these features, in this order.
    void notify(const std::vector<std::string>& features);
    // Blocks until the registry's own thread has made every delivery queued.
    void waitForDeliveries();
    uint64_t deliveries() const;

private:
    using Notification = std::pair<Observer, Handle>;
    struct Queue;

    static void deliverOnThread(const std::shared_ptr<Queue>& queue);

    // Guards the observers, the baselines and the delivery mode.
    mutable std::mutex m_mutex;
    std::map<std::string, std::pair<Handle, std::vector<Observer>>> m_observers;
    std::map<std::string, FeatureState> m_states;
    Delivery m_delivery;
    // Shared with the registry's thread, which may end after the registry when the registry's owner
    // let go of it inside a delivery.
    std::shared_ptr<Queue> m_queue;
};
