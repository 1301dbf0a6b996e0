#pragma once

#include "TovrikFeature.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct SimEntry
{
    std::string name;
    std::string description;
    bool available = true;
};

// Everything the simulated camera knows about one feature before it is built.
struct SimFeatureDefinition
{
    std::string name;
    int type = 0; // Tovrik::FeatureType
    std::string description;
    std::string selector; // name of the selector feature, empty if not selected
    double min = 0.0;
    double max = 0.0;
    double increment = 0.0;
    std::vector<SimEntry> entries;
    bool writable = true;
    bool available = true;
    // The camera measures the value as it acquires (EncoderValue, LineStatus, ...): read-only, and
    // its changes are not notified.
    bool live = false;
    // Initial values as text by selector entry; the key "" applies to every entry.
    std::map<std::string, std::string> initial;

    // The entry of that name, or null.
    const SimEntry* entry(const std::string& entryName) const
    {
        for (const SimEntry& candidate : entries) {
            if (candidate.name == entryName)
                return &candidate;
        }
        return nullptr;
    }
    SimEntry* entry(const std::string& entryName)
    {
        return const_cast<SimEntry*>(static_cast<const SimFeatureDefinition&>(*this).entry(entryName));
    }

    // Whether a value lies on the grid from `from` in steps of the increment (none below 1 for an
    // integer, none at 0 for a float). Unsigned distances: from -2^63 to a positive value overflows.
    bool onGrid(int64_t value, double from) const
    {
        if (!(increment >= 2.0) || increment >= 9223372036854775808.0)
            return true;
        const auto step = static_cast<uint64_t>(increment);
        const auto start = static_cast<int64_t>(from);
        const uint64_t distance = value >= start
                                      ? static_cast<uint64_t>(value) - static_cast<uint64_t>(start)
                                      : static_cast<uint64_t>(start) - static_cast<uint64_t>(value);
        return distance % step == 0;
    }
    // Within a millionth of a step, as decimal values in binary floating point allow.
    bool onGrid(double value, double from) const
    {
        if (!(increment > 0.0))
            return true;
        const double steps = (value - from) / increment;
        if (!std::isfinite(steps) || std::fabs(steps) > 1e12)
            return true; // a grid finer than a double resolves
        return std::fabs(steps - std::round(steps)) <= 1e-6;
    }

    // A feature of any type but enumeration; the range and the increment matter to numbers only.
    static SimFeatureDefinition number(std::string name, int type, double min, double max, double increment,
                                       std::string initial, std::string description)
    {
        SimFeatureDefinition definition;
        definition.name = std::move(name);
        definition.type = type;
        definition.description = std::move(description);
        definition.min = min;
        definition.max = max;
        definition.increment = increment;
        definition.initial[""] = std::move(initial);
        return definition;
    }
    static SimFeatureDefinition enumeration(std::string name, std::vector<SimEntry> entries,
                                            std::string initial, std::string description)
    {
        SimFeatureDefinition definition = number(std::move(name), Tovrik::FeatureTypeEnumeration, 0, 0, 0,
                                                 std::move(initial), std::move(description));
        definition.entries = std::move(entries);
        return definition;
    }
};
