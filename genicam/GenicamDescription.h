#pragma once

#include "FeatureState.h"
#include "GenicamFeatureInfo.h"

#include <string>

class GenicamNode;

// What a feature's GenICam description says about it: what is fixed for the connection, and what an
// observer hears about.
namespace GenicamDescription {

// What the description fixes; selector names the feature that selects this one.
GenicamFeatureInfo info(const GenicamNode& node, const std::string& selector);
// Everything an observer may want to hear about: the value and those of availability, writability,
// entry availability and range that info leaves open.
FeatureState state(const GenicamNode& node, const GenicamFeatureInfo& info);

} // namespace GenicamDescription
