#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the camera's description fixes about one feature, read once per connection. A property
// the description ties to other nodes (pIsAvailable, pIsLocked, pMin, ...) can change and is
// marked to be asked each time.
struct GenicamFeatureInfo
{
    enum Fixed : int { Ask = -1, No = 0, Yes = 1 };

    bool exists = false;
    int type = 0; // Tovrik::FeatureType
    std::string description;
    // Implemented entries in document order, their texts and their availability.
    std::vector<std::string> entries;
    std::vector<std::string> entryDescriptions;
    std::vector<int> entryAvailable;
    int available = Ask;
    int writable = Ask;
    bool rangeFixed = false;
    double min = 0.0;
    double max = 0.0;
    int64_t intMin = 0;
    int64_t intMax = 0;
    bool incrementFixed = false;
    double increment = 0.0;
    int64_t intIncrement = 0;
    // The feature whose value selects which of this feature's values is meant; empty if none.
    std::string selector;
    // Whether this feature selects others.
    bool isSelector = false;
    // The value lives in a write-through register: what was just written is what reads back.
    bool writeThrough = false;
};
