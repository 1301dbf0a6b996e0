#pragma once

#include "TovrikFeature.h"

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
