#pragma once

#include <memory>
#include <vector>

namespace Tovrik {
class Feature;
}

// True for cameras of the family the page serves: serial numbers beginning with 40000 to 41999.
bool isSupportedCamera(const std::vector<std::shared_ptr<Tovrik::Feature>>& features);
