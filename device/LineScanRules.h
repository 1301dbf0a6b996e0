#pragma once

#include <optional>
#include <string>
#include <vector>

// How the line-scan camera's features bear on one another: what may not be written while
// something else holds, whose range another narrows, whose value follows from others. The
// simulated camera's feature store consults it; a GenICam camera's description says the same.
class LineScanRules
{
public:
    // What the rules look at.
    class Camera
    {
    public:
        virtual ~Camera() = default;
        // The value for one entry of its selector (empty: the entry selected now), if the camera has it.
        virtual std::optional<std::string> text(const char* feature,
                                                const char* selectorEntry = "") const = 0;
        virtual std::optional<double> number(const char* feature, const char* selectorEntry = "") const = 0;
        virtual bool acquiring() const = 0;
    };

    // The exposure fits into one line period less this much: the sensor's readout margin.
    static constexpr double exposureReadoutMarginUs = 1.0;

    // Whether the rules let the feature be written now; its own access mode is the camera's.
    bool writable(const std::string& feature, const Camera& camera) const;
    // Narrows the feature's range [min, max] by the others' values; max never falls below min.
    void narrowRange(const std::string& feature, const Camera& camera, double* min, double* max) const;
    // The value of a feature that follows from others (PayloadSize), nothing for the rest.
    std::optional<double> derived(const std::string& feature, const Camera& camera) const;
    // The features whose writability, range or derived value a change of this one can change.
    const std::vector<std::string>& dependents(const std::string& feature) const;
};
