#include "LineScanRules.h"

#include "FeatureName.h"

#include <algorithm>
#include <map>

using namespace FeatureName;

bool LineScanRules::writable(const std::string& feature, const Camera& camera) const
{
    // The image's shape is fixed while the camera acquires.
    if ((feature == Width || feature == Height || feature == PixelFormat) && camera.acquiring())
        return false;
    // The line rate is moot while lines are triggered from outside.
    if (feature == AcquisitionLineRate)
        return camera.text(TriggerMode, EntryName::LineStart) != std::optional<std::string>(EntryName::On);
    return true;
}

void LineScanRules::narrowRange(const std::string& feature, const Camera& camera, double* min,
                                double* max) const
{
    if (feature != ExposureTime)
        return;
    const std::optional<double> rate = camera.number(AcquisitionLineRate);
    if (rate && *rate > 0.0)
        *max = std::max(*min, std::min(*max, 1.0e6 / *rate - exposureReadoutMarginUs));
}

std::optional<double> LineScanRules::derived(const std::string& feature, const Camera& camera) const
{
    if (feature != PayloadSize)
        return std::nullopt;
    const std::optional<double> width = camera.number(Width);
    const std::optional<double> height = camera.number(Height);
    if (!width || !height)
        return std::nullopt;
    return *width * *height; // Mono8: a byte a pixel
}

const std::vector<std::string>& LineScanRules::dependents(const std::string& feature) const
{
    static const std::map<std::string, std::vector<std::string>> dependents{
        {TriggerMode, {AcquisitionLineRate}},
        {AcquisitionLineRate, {ExposureTime}},
        {Width, {PayloadSize}},
        {Height, {PayloadSize}},
        {AcquisitionStart, {Width, Height, PixelFormat}},
        {AcquisitionStop, {Width, Height, PixelFormat}},
    };
    static const std::vector<std::string> none;
    const auto found = dependents.find(feature);
    return found == dependents.end() ? none : found->second;
}
