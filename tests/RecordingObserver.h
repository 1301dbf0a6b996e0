#pragma once

#include "TovrikFeature.h"
#include "TovrikFeatureObserverInterface.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Remembers the name and the thread of every featureUpdated call; onUpdate, when set, runs inside
// the call.
class RecordingObserver : public Tovrik::FeatureObserverInterface
{
public:
    void featureUpdated(std::shared_ptr<Tovrik::Feature>& feature) override
    {
        std::string name;
        if (feature)
            feature->getName(name);
        std::lock_guard<std::mutex> lock(mutex);
        names.push_back(name);
        threads.push_back(std::this_thread::get_id());
        if (onUpdate)
            onUpdate(feature);
    }
    // The names heard since the last call.
    std::vector<std::string> taken()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return std::exchange(names, {});
    }

    std::mutex mutex;
    std::vector<std::string> names;
    std::vector<std::thread::id> threads;
    std::function<void(const std::shared_ptr<Tovrik::Feature>&)> onUpdate;
};
