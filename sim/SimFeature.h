#pragma once

#include "SimApi.h"
#include "TovrikFeature.h"

#include <cstddef>
#include <memory>

class SimCamera;

// A feature handle as the simulated SDK hands it out. All state lives in the camera; a handle
// that outlives its camera answers every call with the not-opened status.
class SIM_EXPORT SimFeature : public Tovrik::Feature, public std::enable_shared_from_this<SimFeature>
{
public:
    SimFeature(std::weak_ptr<SimCamera> camera, size_t index);

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

    size_t index() const { return m_index; }

private:
    struct Access;
    Access enter(int operation) const;

    std::weak_ptr<SimCamera> m_camera;
    size_t m_index;
};
