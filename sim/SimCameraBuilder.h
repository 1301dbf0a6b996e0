#pragma once

#include "SimApi.h"
#include "SimBench.h"
#include "SimFeatureDefinition.h"
#include "SimOperation.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class SimCamera;

// Describes a simulated camera and builds it. lineScanCamera() is the camera the viewer and the
// tests start from; variants change it in C++ or through a JSON description (SimVariantReader).
class SIM_EXPORT SimCameraBuilder
{
public:
    static SimCameraBuilder lineScanCamera();

    SimCameraBuilder& add(const SimFeatureDefinition& definition);
    SimCameraBuilder& remove(const std::string& name);
    // An empty selector entry sets the value for every entry.
    SimCameraBuilder& setInitial(const std::string& name, const std::string& value,
                                 const std::string& selectorEntry = {});
    SimCameraBuilder& setRange(const std::string& name, double min, double max, double increment);
    SimCameraBuilder& setAvailable(const std::string& name, bool available);
    SimCameraBuilder& setWritable(const std::string& name, bool writable);
    SimCameraBuilder& setEntryAvailable(const std::string& name, const std::string& entry, bool available);
    SimCameraBuilder& setNotifyMode(SimNotifyMode mode);
    // The machine in front of the camera; the default is the one SimBench describes.
    SimCameraBuilder& setBench(const SimBench& bench);
    const SimBench& bench() const { return m_bench; }

    SimFeatureDefinition* find(const std::string& name);
    const std::vector<SimFeatureDefinition>& definitions() const { return m_definitions; }

    std::shared_ptr<SimCamera> build() const;

private:
    void reindex();

    std::vector<SimFeatureDefinition> m_definitions;
    std::unordered_map<std::string, size_t> m_indexByName;
    SimNotifyMode m_notifyMode = SimNotifyMode::Synchronous;
    SimBench m_bench;
};
