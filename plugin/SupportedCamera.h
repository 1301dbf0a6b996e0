#pragma once

#include <memory>
#include <vector>

namespace Tovrik {
class Feature;
}

// True for cameras of the family the page serves (CameraFamily), by their DeviceSerialNumber.
bool isSupportedCamera(const std::vector<std::shared_ptr<Tovrik::Feature>>& features);
