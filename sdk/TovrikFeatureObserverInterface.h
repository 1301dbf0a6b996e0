#pragma once

#include "TovrikApi.h"

#include <memory>

namespace Tovrik {

class Feature;

// Implemented by the SDK's users; the SDK calls featureUpdated on a thread of its choice.
class TOVRIK_API_TYPE FeatureObserverInterface
{
public:
    virtual ~FeatureObserverInterface() = default;
    virtual void featureUpdated(std::shared_ptr<Feature>& feature) = 0;
};

} // namespace Tovrik
