#pragma once

#include "FeatureName.h"

// The features the Line Trigger page follows. It installs only on a camera that has at least one
// of them, and a host that explains a declined page names those missing.
namespace PageFeatures {

inline constexpr const char* observed[] = {
    FeatureName::ExposureTime,    FeatureName::AcquisitionLineRate, FeatureName::TriggerMode,
    FeatureName::TriggerSelector, FeatureName::EncoderDividerFloat, FeatureName::EncoderSourceA,
    FeatureName::EncoderSourceB,  FeatureName::MasterSlaveMode,     FeatureName::LineInverter,
};

} // namespace PageFeatures
