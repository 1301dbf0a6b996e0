#pragma once

#include "GenicamCache.h"
#include "TovrikFeature.h"

#include <memory>
#include <optional>
#include <string>

struct GenicamFeatureInfo;
class GenicamNode;
class GenicamWorker;

// A camera feature over Aravis. What the camera's description fixes is answered from the worker's
// record of it; everything else is handed to the worker thread, which answers within its call
// bound. Once the camera is closed, operations return the not-opened status.
class GenicamFeature final : public Tovrik::Feature
{
public:
    GenicamFeature(std::weak_ptr<GenicamWorker> worker, std::string name);

    int getName(std::string& name) override;
    int getDescription(std::string& description) override;
    int getEntryDescriptions(std::vector<std::string>& descriptions, int flag) override;
    int getType(int* type) override;
    int registerObserver(std::shared_ptr<Tovrik::FeatureObserverInterface> observer) override;
    int unregisterObserver(std::shared_ptr<Tovrik::FeatureObserverInterface> observer) override;
    int getValue(std::string& value) override;
    int getValue(bool* value) override;
    int getValue(double* value) override;
    int getValue(int64_t* value) override;
    int getEntries(std::vector<std::string>& entries, int flag) override;
    int setValue(const char* value) override;
    int setValue(bool value) override;
    int setValue(double value) override;
    int setValue(int64_t value) override;
    int getRange(double* min, double* max) override;
    int getRange(int64_t* min, int64_t* max) override;
    int getIncrement(double* increment) override;
    int getIncrement(int64_t* increment) override;
    int isWritable(bool* writable) override;
    int isAvailable(bool* available) override;
    int isEntryAvailable(const std::string& entry, bool* available) override;

private:
    // What was read of it when the camera was opened, while that holds.
    std::optional<GenicamCache::Warm> warm() const;
    // The record of this feature, or null with status set.
    std::shared_ptr<const GenicamFeatureInfo> info(int* status) const;
    // The record of this enumeration, or null with status set.
    std::shared_ptr<const GenicamFeatureInfo> enumeration(int* status) const;
    // The record when it fixes the range (or increment) of a feature of this type: no trip to the
    // camera then. Null otherwise.
    std::shared_ptr<const GenicamFeatureInfo> fixed(bool GenicamFeatureInfo::*what, int type) const;
    // Runs a node operation on the worker; Output is copied out only on success.
    template <typename Output, typename Operation> int ask(Output* output, Operation operation) const;
    template <typename Value> int read(Value* value) const;
    template <typename Value>
    int range(Value* min, Value* max, Value GenicamFeatureInfo::*low, Value GenicamFeatureInfo::*high,
              int type) const;
    template <typename Value> int write(const Value& value);

    const std::weak_ptr<GenicamWorker> m_worker;
    const std::string m_name;
};
